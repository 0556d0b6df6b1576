#!/usr/bin/env python3
"""The build's import check: an executable may import at start only KnownDLLs.

    test_import_check.py <objdump> <Installer.exe>
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "cmake"))
import check_imports  # noqa: E402

OBJDUMP = EXECUTABLE = None
CHECK = os.path.join(os.path.dirname(__file__), "..", "..", "cmake", "check_imports.py")


def objdump_text(imported, delayed=()):
    """objdump -p's sections for a program with these imports."""
    text = "Entry 1 0000000000001000 00000100 Import Directory [parts of .idata]\n\n"
    text += "The Import Tables (interpreted .idata section contents)\n vma:    Hint    Time      Forward  DLL       First\n"
    for name in imported:
        text += f"\n\tDLL Name: {name}\n\tvma:  Hint/Ord Member-Name Bound-To\n\t1000\t    1  SomeFunction\n"
    if delayed:
        text += "\nThe Export Tables\n"
        text += "\nDelay Import Tables\n" + "".join(f"\tDLL Name: {name}\n" for name in delayed)
    text += "\nPE File Base Relocations (interpreted .reloc section contents)\n"
    return text


class ImportCheck(unittest.TestCase):
    def test_only_known_dlls_at_start(self):
        for imported, delayed, unexpected in [
            (("KERNEL32.dll", "USER32.dll", "ADVAPI32.dll", "ws2_32.dll"), (), []),
            (("KERNEL32.dll", "VERSION.dll"), (), ["VERSION.dll"]),
            (("KERNEL32.dll", "RstrtMgr.DLL", "dxgi.dll"), (), ["dxgi.dll", "RstrtMgr.DLL"]),
            (("KERNEL32.dll", "comdlg32.dll"), (), ["comdlg32.dll"]),   # it brings comctl32 and VERSION
            (("KERNEL32.dll",), ("VERSION.dll", "WINMM.dll"), []),      # loaded at first use
        ]:
            with self.subTest(imported=imported, delayed=delayed):
                self.assertEqual(check_imports.unexpected_imports(objdump_text(imported, delayed)), unexpected)

    def test_the_built_installer_passes_and_a_failing_one_is_deleted(self):
        result = subprocess.run([sys.executable, CHECK, "--objdump", OBJDUMP, EXECUTABLE], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)

        # A program that imports VERSION at start: the check names it and removes the program, so
        # that the next build links it again instead of taking it for done.
        with tempfile.TemporaryDirectory() as folder:
            fake_objdump = os.path.join(folder, "objdump")
            with open(fake_objdump, "w") as f:
                f.write("#!/bin/sh\ncat <<'EOF'\n" + objdump_text(("KERNEL32.dll", "VERSION.dll")) + "EOF\n")
            os.chmod(fake_objdump, 0o755)
            program = os.path.join(folder, "Installer.exe")
            shutil.copy(EXECUTABLE, program)
            result = subprocess.run([sys.executable, CHECK, "--objdump", fake_objdump, program], capture_output=True, text=True)
            self.assertEqual(result.returncode, 1)
            self.assertIn("imports at start VERSION.dll", result.stderr)
            self.assertFalse(os.path.exists(program))


if __name__ == "__main__":
    OBJDUMP, EXECUTABLE = sys.argv[1:3]
    del sys.argv[1:3]
    unittest.main(verbosity=2)
