#!/usr/bin/env python3
"""Writes the resource script of a product's installer: its icon, its application manifest and its
version resource, which Explorer's Properties, the UAC prompt and SmartScreen show.

    write_installer_rc.py --manifest Manifest.xml --icon registry.ico --app-manifest Installer.manifest
                          [--copyright Copyright.txt] --out Installer.rc

The version resource takes CompanyName, ProductName (AppName), ProductVersion and FileVersion
(AppVersion) from the product's manifest, FileDescription "<AppName> Installer", LegalCopyright
from the product folder's Copyright.txt where there is one, and OriginalFilename "Installer.exe".
The file is rewritten only when its content changes.
"""
import argparse
import os
import re
import xml.etree.ElementTree as ElementTree


def rc_text(text):
    """A wide string literal of the resource compiler: quotes doubled, everything beyond ASCII and
    every control character as a \\x escape of four digits, so that no code page is involved."""
    out = []
    for c in text:
        if c == '"':
            out.append('""')
        elif c == "\\":
            out.append("\\\\")
        elif 32 <= ord(c) < 127:
            out.append(c)
        else:
            out.append("\\x%04x" % ord(c))
    return 'L"' + "".join(out) + '"'


def rc_path(path):
    return '"' + os.path.abspath(path).replace("\\", "\\\\").replace('"', '""') + '"'


def numeric_version(text):
    """Up to four numbers of a version text ("1.0.7" gives 1,0,7,0), each 0 to 65535."""
    numbers = [min(int(part), 65535) for part in re.findall(r"\d+", text)[:4]]
    return ",".join(str(n) for n in numbers + [0] * (4 - len(numbers)))


def script(manifest, icon, app_manifest, copyright_text):
    root = ElementTree.parse(manifest).getroot()
    name = root.get("AppName", "")
    version = root.get("AppVersion", "")
    values = [
        ("CompanyName", root.get("CompanyName", "")),
        ("FileDescription", name + " Installer"),
        ("FileVersion", version),
        ("InternalName", "Installer"),
        ("OriginalFilename", "Installer.exe"),
        ("ProductName", name),
        ("ProductVersion", version),
    ]
    if copyright_text:
        values.append(("LegalCopyright", copyright_text))

    lines = [
        "1 ICON " + rc_path(icon),
        "1 24 " + rc_path(app_manifest),   # RT_MANIFEST
        "",
        "1 VERSIONINFO",
        "FILEVERSION " + numeric_version(version),
        "PRODUCTVERSION " + numeric_version(version),
        "FILEFLAGSMASK 0x3fL",
        "FILEFLAGS 0x0L",
        "FILEOS 0x40004L",     # VOS_NT_WINDOWS32
        "FILETYPE 0x1L",       # VFT_APP
        "FILESUBTYPE 0x0L",
        "BEGIN",
        '    BLOCK "StringFileInfo"',
        "    BEGIN",
        '        BLOCK "040904b0"',   # U.S. English, Unicode
        "        BEGIN",
    ]
    lines += [f'            VALUE "{key}", {rc_text(value)}' for key, value in values]
    lines += [
        "        END",
        "    END",
        '    BLOCK "VarFileInfo"',
        "    BEGIN",
        '        VALUE "Translation", 0x409, 1200',
        "    END",
        "END",
        "",
    ]
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--manifest", required=True)
    parser.add_argument("--icon", required=True)
    parser.add_argument("--app-manifest", required=True)
    parser.add_argument("--copyright")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    copyright_text = ""
    if args.copyright and os.path.isfile(args.copyright):
        with open(args.copyright, encoding="utf-8") as f:
            lines = f.read().strip().splitlines()
        copyright_text = lines[0].strip() if lines else ""
    text = script(args.manifest, args.icon, args.app_manifest, copyright_text)

    old = open(args.out, encoding="utf-8").read() if os.path.exists(args.out) else None
    if old != text:
        os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
        with open(args.out, "w", encoding="utf-8") as f:
            f.write(text)


if __name__ == "__main__":
    main()
