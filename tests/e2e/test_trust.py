#!/usr/bin/env python3
"""What Windows and its users must be able to trust in an installer run from a download folder.

    test_trust.py <demo installer> <wintool> <planted version.dll> <non-ASCII installer>
"""
import os
import shutil
import sys
import unittest

from winetest import Prefix, lines_of

INSTALLER = WINTOOL = PLANTED = NON_ASCII = None
DOWNLOADS = "C:\\users\\Public\\Downloads"
MARKER = "C:\\users\\Public\\planted-dll-ran.txt"
# The system DLLs the installer uses that are not KnownDLLs. VERSION is one of them on Windows,
# but Wine's own user32 imports it, so under Wine every program with a window loads a VERSION.dll
# from its folder: that one cannot be told apart here.
PLANTED_NAMES = ("winmm", "wininet", "dxgi", "rstrtmgr", "wsock32")


class Trust(unittest.TestCase):
    def test_a_dll_planted_beside_the_installer_never_runs_in_it(self):
        with Prefix("trust-planted-dll") as prefix:
            folder = prefix.unix(DOWNLOADS)
            os.makedirs(folder, exist_ok=True)
            for program in (INSTALLER, WINTOOL):
                shutil.copy(program, folder)
            for name in PLANTED_NAMES:
                shutil.copy(PLANTED, os.path.join(folder, name + ".dll"))
            # Windows looks for a DLL that is not a KnownDLL in the program's folder first; Wine
            # does when it is told to prefer native DLLs.
            prefix.env["WINEDLLOVERRIDES"] = ",".join(PLANTED_NAMES) + "=n,b"

            # The test can see a planted DLL run: a program that loads one by name the plain way
            # finds the one in its folder.
            for name in PLANTED_NAMES:
                prefix.run(DOWNLOADS + "\\" + os.path.basename(WINTOOL), "load", name + ".dll", "0")
                self.assertTrue(os.path.exists(prefix.unix(MARKER)), f"the planted {name}.dll is found beside a program")
                os.remove(prefix.unix(MARKER))

            code, output, _ = prefix.run(DOWNLOADS + "\\Installer.exe", "--headless", timeout=120)
            self.assertEqual(code, 0, output)
            self.assertIn("Installation finished successfully.", lines_of(output))
            self.assertFalse(os.path.exists(prefix.unix(MARKER)),
                             "the planted DLL ran inside the installer: " + (open(prefix.unix(MARKER), "rb").read().decode("utf-16-le", "replace")
                                                                           if os.path.exists(prefix.unix(MARKER)) else ""))


    def test_the_installer_carries_its_name_and_version(self):
        # As Explorer's Properties and the UAC prompt read them.
        for program, expected in [
            (INSTALLER, {"CompanyName": "Tarrow Audio", "ProductName": "Ondra", "ProductVersion": "1.0.7",
                         "FileVersion": "1.0.7", "FILEVERSION": "1.0.7.0", "FileDescription": "Ondra Installer",
                         "LegalCopyright": "\u00a9 2026 Tarrow Audio", "OriginalFilename": "Installer.exe"}),
            (NON_ASCII, {"CompanyName": "Tarrow S\u00f6hne", "ProductName": "Ondra \u00dc", "ProductVersion": "2.0.1",
                         "FILEVERSION": "2.0.1.0", "FileDescription": "Ondra \u00dc Installer"}),
        ]:
            with self.subTest(program=program), Prefix("trust-version") as prefix:
                shutil.copy(program, prefix.unix("C:\\users\\Public\\Installer.exe"))
                result = prefix.wine(WINTOOL, "version", "C:\\users\\Public\\Installer.exe")
                values = dict(line.split("=", 1) for line in result.stdout.decode("utf-8").splitlines() if "=" in line)
                self.assertEqual({key: values.get(key) for key in expected}, expected, values)
                if program == NON_ASCII:
                    self.assertNotIn("LegalCopyright", values, "a product folder without Copyright.txt gives none")


if __name__ == "__main__":
    INSTALLER, WINTOOL, PLANTED, NON_ASCII = sys.argv[1:5]
    del sys.argv[1:5]
    unittest.main(verbosity=2)
