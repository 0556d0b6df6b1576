#!/usr/bin/env python3
"""The demo installer, headless, in a fresh Wine prefix: both bundles installed, nothing else."""
import os
import sys
import unittest

from winetest import Prefix, assert_in_order, files_below, lines_of

INSTALLER = None
VST3 = "C:\\Program Files\\Common Files\\VST3\\Tarrow Audio - Ondra.vst3"
AAX = "C:\\Program Files\\Common Files\\Avid\\Audio\\Plug-Ins\\Tarrow Audio - Ondra.aaxplugin"


class DemoInstall(unittest.TestCase):
    def test_headless_install(self):
        with Prefix("demo") as prefix:
            code, output, seconds = prefix.run(INSTALLER, "--headless")
            print(f"headless install: exit code {code}, {seconds:.1f} s")
            lines = lines_of(output)

            self.assertEqual(code, 0, output)
            manifest_starts = [i for i, line in enumerate(lines) if line.startswith("<Manifest ")]
            self.assertEqual(len(manifest_starts), 5, "the manifest is loaded five times at start-up")
            assert_in_order(self, lines, [
                '<?xml version="1.0" encoding="UTF-8"?>',
                "Operation mode source: headless default (install)",
                "Operation mode: install",
                "Installing Ondra v1.0.7",
                "Installing Tarrow Audio - Ondra.vst3...",
                "   >> Success!",
                "Installing Tarrow Audio - Ondra.aaxplugin...",
                "   >> Success!",
                "Installation finished successfully.",
                "Exiting...",
            ])
            self.assertLess(manifest_starts[-1], lines.index("Operation mode source: headless default (install)"))

            self.assertEqual(files_below(prefix.unix(VST3)), [
                "Contents\\Resources\\moduleinfo.json",
                "Contents\\x86_64-win\\Tarrow Audio - Ondra.vst3",
                "PlugIn.ico",
                "desktop.ini",
            ])
            self.assertEqual(files_below(prefix.unix(AAX)), [
                "Contents\\Resources\\Info.plist",
                "Contents\\x64\\Tarrow Audio - Ondra.aaxplugin",
                "PlugIn.ico",
                "desktop.ini",
            ])

            module = os.path.join(os.environ["INSTALLER_TESTS_DIR"], "..", "product", "payload",
                                  "Tarrow Audio - Ondra.vst3", "Contents", "x86_64-win", "Tarrow Audio - Ondra.vst3")
            with open(module, "rb") as expected, open(prefix.unix(VST3 + "\\Contents\\x86_64-win\\Tarrow Audio - Ondra.vst3"), "rb") as installed:
                self.assertEqual(installed.read(), expected.read())

            common = prefix.unix("C:\\Program Files\\Common Files")
            leftovers = [path for path in files_below(common) if path.lower().endswith(".zip")]
            self.assertEqual(leftovers, [])

            key = "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{a3c95e10f27b4d6890e1c4b7d2f5a08e}"
            self.assertIsNone(prefix.reg_values(key), "no uninstaller, so no registration")
            self.assertFalse(os.path.exists(prefix.unix("C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tarrow Audio")))


if __name__ == "__main__":
    INSTALLER = sys.argv.pop(1)
    unittest.main(verbosity=2)
