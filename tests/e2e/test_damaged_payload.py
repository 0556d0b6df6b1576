#!/usr/bin/env python3
"""A payload with a damaged bundle archive and an object it lacks: both are errors, exit code 9,
and the sound objects are still installed."""
import os
import sys
import unittest

from winetest import Prefix, assert_in_order, lines_of

INSTALLER = None
VST3 = "C:\\Program Files\\Common Files\\VST3"
AAX = "C:\\Program Files\\Common Files\\Avid\\Audio\\Plug-Ins"


class DamagedPayload(unittest.TestCase):
    def test_errors_end_with_exit_code_nine(self):
        with Prefix("damaged") as prefix:
            code, output, _ = prefix.run(INSTALLER, "--headless")
            lines = lines_of(output)
            self.assertEqual(code, 9, output)

            broken = VST3 + "\\Broken.vst3\\Contents\\x86_64-win\\Broken.vst3"
            assert_in_order(self, lines, [
                "Installing Tarrow Audio - Ondra.vst3...", "   >> Success!",
                "Installing Broken.vst3...",
                f"Error unzipping {VST3}\\Broken.vst3.zip.",
                "Installing Missing.aaxplugin.zip...",
                "   >> error : The installer payload has no entry Missing.aaxplugin.zip.",
                "Installing Tarrow Audio - Ondra.aaxplugin...", "   >> Success!",
                "Installation finished with errors.",
                f"Error installing {VST3.replace(chr(92), '/')}.",
                "Make sure the file is not in use and run the installer again.",
                f"Error installing {AAX.replace(chr(92), '/')}.",
                "The installer payload has no entry Missing.aaxplugin.zip.",
                "Exiting...",
            ])
            self.assertTrue(any(line.startswith("System message: CRC-32 mismatch for " + broken) for line in lines), output)
            self.assertTrue(any(line.startswith("   >> error : CRC-32 mismatch for " + broken) for line in lines), output)

            self.assertTrue(os.path.isfile(prefix.unix(VST3 + "\\Tarrow Audio - Ondra.vst3\\Contents\\x86_64-win\\Tarrow Audio - Ondra.vst3")))
            self.assertTrue(os.path.isfile(prefix.unix(AAX + "\\Tarrow Audio - Ondra.aaxplugin\\Contents\\x64\\Tarrow Audio - Ondra.aaxplugin")))
            self.assertFalse(os.path.exists(prefix.unix(broken)), "no damaged file is left")


if __name__ == "__main__":
    INSTALLER = sys.argv.pop(1)
    unittest.main(verbosity=2)
