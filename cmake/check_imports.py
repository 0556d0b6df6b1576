#!/usr/bin/env python3
"""The build's check that an executable imports at start nothing but KnownDLLs: Windows looks for
any other DLL in the executable's own folder first, where a planted one would run inside it.

    check_imports.py --objdump <objdump> <executable>

On failure it names the DLLs, deletes the executable (so that the next build links it again) and
ends with exit code 1. Delay-loaded DLLs are not imported at start and pass."""
import argparse
import os
import subprocess
import sys

# HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs of Windows 10 and 11, with ntdll,
# which the loader maps before anything else; less comdlg32, which imports comctl32 (not a
# KnownDLL) and VERSION with it.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "coml2.dll", "difxapi.dll", "gdi32.dll",
    "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll", "msvcrt.dll", "normaliz.dll",
    "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll",
    "shcore.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "wldap32.dll", "ws2_32.dll", "ntdll.dll",
}


def imported_at_start(objdump_text):
    """The DLL names of the import table (not the delay-import table) in objdump -p's output."""
    names = []
    in_imports = False
    for line in objdump_text.splitlines():
        stripped = line.strip()
        if stripped.startswith("The Import Tables"):
            in_imports = True
        elif stripped.startswith("The ") and "Table" in stripped or stripped.startswith("Delay Import"):
            in_imports = False
        elif in_imports and stripped.startswith("DLL Name:"):
            names.append(stripped.split(":", 1)[1].strip())
    return names


def unexpected_imports(objdump_text):
    return sorted({name for name in imported_at_start(objdump_text) if name.lower() not in KNOWN_DLLS}, key=str.lower)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("executable")
    args = parser.parse_args()

    text = subprocess.run([args.objdump, "-p", args.executable], check=True, capture_output=True, text=True).stdout
    if not imported_at_start(text):
        print(f"check_imports: {args.executable} has no import table that objdump shows", file=sys.stderr)
        return 1
    unexpected = unexpected_imports(text)
    if unexpected:
        os.remove(args.executable)
        print(f"check_imports: {os.path.basename(args.executable)} imports at start " + ", ".join(unexpected)
              + ", which are not KnownDLLs: a DLL of that name beside the installer would run in it. Add the functions"
              " it uses to cmake/delayload/<name>.def, so that it is loaded at first use from System32.", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
