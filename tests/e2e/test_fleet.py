#!/usr/bin/env python3
"""The installer as deployment tools run it: switches that choose components, a folder and a log
file, the exit codes they read, the silent uninstall of the registration, and the winget manifest
the build writes beside the installer."""
import hashlib
import math
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "build"))

from winetest import Prefix, files_below, lines_of  # noqa: E402
from winget_rules import check_manifest_folder  # noqa: E402

INSTALLER = None
WINTOOL = None
PRODUCT_ID = "c7e2a9b04d6f4e1a9b3c5d7e8f901a2b"
KEY = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{" + PRODUCT_ID + "}"
DEFAULT_FOLDER = "C:\\Program Files\\Tarrow Audio\\Ondra Studio"
FOLDER = "C:\\Fleet\\Ondra Studio"
TOOL = FOLDER + "\\Ondra Tool.exe"
SCRIPT = FOLDER + "\\Uninstall Ondra Studio.bat"
DATA = "C:\\ProgramData\\Tarrow Audio"
PRESETS = DATA + "\\Ondra Studio\\Presets\\Factory"
VST3 = "C:\\Program Files\\Common Files\\VST3\\Tarrow Audio - Ondra.vst3"
LOG = "C:\\Logs\\Fleet\\install.log"


def reg_numbers(prefix, key):
    """The REG_DWORD values of a key, as Wine's reg shows them."""
    out = prefix.wine("reg", "query", key).stdout.decode("utf-8", "replace")
    numbers = {}
    for line in out.splitlines():
        parts = line.strip().split("    ")
        if len(parts) == 3 and parts[1] == "REG_DWORD":
            numbers[parts[0]] = int(parts[2], 16)
    return numbers


def nothing_installed(test, prefix, output):
    test.assertIsNone(prefix.reg_values("HKLM\\" + KEY), output)
    for path in (DEFAULT_FOLDER, FOLDER, DATA, VST3):
        test.assertFalse(os.path.exists(prefix.unix(path)), path + "\n" + output)


class Fleet(unittest.TestCase):
    def test_help_and_refused_arguments(self):
        with Prefix("fleet-arguments") as prefix:
            code, output, _ = prefix.run(INSTALLER, "--help")
            self.assertEqual(code, 0, output)
            for text in ("--headless", "--components=<name>", "--dir=<folder>", "--log=<file>",
                         "--uninstall-options=<ids>", "    87  An argument", "  3010  Finished; Windows must restart"):
                self.assertIn(text, output)

            # Each ends before anything is changed, with the code documented for it.
            for arguments, code_expected, line in [
                (["--headless", "--components=Ondra Synth"],
                 87, "There is no component \"Ondra Synth\" in this installer; its components are \"Ondra Tool\", "
                     "\"Factory Presets\", \"Tarrow Audio - Ondra.vst3\"."),
                (["--headless", "--dir=C:\\Windows"],
                 87, "The folder of --dir cannot be used: \"C:\\Windows\" is the Windows folder."),
                (["--headless", "--dir=Ondra"],
                 87, "The folder of --dir cannot be used: \"Ondra\" is not an absolute folder on a local drive."),
                (["--headless", "/S"], 87, "Unknown argument \"/S\"."),
                (["--headless", "--uninstall"], 9, "Ondra Studio is not installed on this computer; nothing was removed."),
            ]:
                with self.subTest(arguments=arguments):
                    code, output, _ = prefix.run(INSTALLER, *arguments)
                    self.assertEqual(code, code_expected, output)
                    self.assertTrue(any(l.startswith(line) for l in lines_of(output)), output)
                    nothing_installed(self, prefix, output)

    def test_chosen_install_log_registration_manifest_and_silent_uninstall(self):
        with Prefix("fleet") as prefix:
            code, output, seconds = prefix.run(INSTALLER, "--headless", "--components=Factory Presets",
                                               "--dir=" + FOLDER, "--log=" + LOG)
            print(f"headless install of two objects of three: exit code {code}, {seconds:.1f} s")
            self.assertEqual(code, 0, output)

            # The log holds what the output showed, line for line.
            with open(prefix.unix(LOG), encoding="utf-8") as f:
                logged = f.read().splitlines()
            self.assertEqual(logged, lines_of(output.rstrip("\n")))

            # The required tool in the chosen folder, the presets below their destination's
            # sub-folder, the bundle left out.
            self.assertTrue(os.path.isfile(prefix.unix(TOOL)))
            self.assertEqual(sorted(files_below(prefix.unix(PRESETS))), ["Clean.preset", "Warm Tape.preset"])
            self.assertFalse(os.path.exists(prefix.unix(VST3)))
            self.assertFalse(os.path.exists(prefix.unix(DEFAULT_FOLDER)))

            values = prefix.reg_values("HKLM\\" + KEY)
            self.assertEqual(values["InstallLocation"], FOLDER)
            self.assertEqual(values["ExtraPath0"], PRESETS)
            self.assertEqual(values["QuietUninstallString"], f"cmd.exe /C \"\"{SCRIPT}\" /quiet\"")
            numbers = reg_numbers(prefix, "HKLM\\" + KEY)
            installed = sum(os.path.getsize(os.path.join(root, name))
                            for path in (PRESETS,) for root, _, names in os.walk(prefix.unix(path)) for name in names)
            installed += os.path.getsize(prefix.unix(TOOL)) + os.path.getsize(prefix.unix(SCRIPT))
            self.assertEqual(numbers.get("EstimatedSize"), math.ceil(installed / 1024), numbers)
            self.assertEqual((numbers.get("NoModify"), numbers.get("NoRepair")), (1, 1), numbers)

            # The winget manifest beside the installer: sound, with the hash of this very file, and
            # the entry it looks for as the installation registered it.
            version, installer, locale = check_manifest_folder(os.path.join(os.path.dirname(INSTALLER), "winget"))
            with open(INSTALLER, "rb") as f:
                self.assertEqual(installer["Installers"][0]["InstallerSha256"], hashlib.sha256(f.read()).hexdigest().upper())
            self.assertEqual(installer["PackageIdentifier"], "TarrowAudio.OndraStudio")
            self.assertEqual(installer["InstallerSwitches"]["InstallLocation"], "--dir=\"<INSTALLPATH>\"")
            entry = installer["AppsAndFeaturesEntries"][0]
            self.assertEqual({k: entry[k] for k in ("DisplayName", "Publisher", "DisplayVersion")},
                             {k: values[k] for k in ("DisplayName", "Publisher", "DisplayVersion")})
            self.assertTrue(KEY.endswith("\\" + entry["ProductCode"]), entry)

            # Without administrator rights (a "net" that says so comes first on the PATH) the
            # silent uninstall fails at once and removes nothing.
            os.makedirs(prefix.unix("C:\\no-rights"))
            shutil.copy(WINTOOL, prefix.unix("C:\\no-rights\\net.exe"))
            prefix.env["WINEPATH"] = "C:\\no-rights"
            code, output, _ = prefix.run(WINTOOL, "quiet-uninstall", KEY, timeout=120)
            del prefix.env["WINEPATH"]
            self.assertNotEqual(code, 0, output)
            self.assertIn("Uninstalling needs administrator rights. Nothing was removed.", output)
            self.assertTrue(os.path.isfile(prefix.unix(TOOL)), output)
            self.assertIsNotNone(prefix.reg_values("HKLM\\" + KEY))

            # As a deployment tool runs it: the registered text through CreateProcess, nobody at the
            # keyboard (standard input closed). It ends by itself, with 0, and nothing is left.
            started = time.monotonic()
            code, output, _ = prefix.run(WINTOOL, "quiet-uninstall", KEY, timeout=120)
            print(f"silent uninstall: exit code {code}, {time.monotonic() - started:.1f} s")
            self.assertEqual(code, 0, output)
            self.assertIsNone(prefix.reg_values("HKLM\\" + KEY), output)
            for path in (TOOL, PRESETS, DATA):
                self.assertFalse(os.path.exists(prefix.unix(path)), path + "\n" + output)
            # Wine's cmd keeps the running script open until it ends, so there it and its folder stay.
            left = os.listdir(prefix.unix(FOLDER)) if os.path.exists(prefix.unix(FOLDER)) else []
            self.assertIn(left, ([], ["Uninstall Ondra Studio.bat"]), output)


if __name__ == "__main__":
    INSTALLER = sys.argv.pop(1)
    WINTOOL = sys.argv.pop(1)
    unittest.main(verbosity=2)
