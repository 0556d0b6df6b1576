#!/usr/bin/env python3
"""A whole product life under Wine: install headless, uninstall through the registered command the
way Windows runs it, and check that the product is gone and nobody else's files were touched."""
import os
import sys
import time
import unittest

from winetest import Prefix, assert_in_order, lines_of, wait_until

INSTALLER = None        # the lifecycle product's installer
DEMO_INSTALLER = None   # the demo installer: the same product, without an uninstaller object

KEY = "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{a3c95e10f27b4d6890e1c4b7d2f5a08e}"
VST3_FOLDER = "C:\\Program Files\\Common Files\\VST3"
AAX_FOLDER = "C:\\Program Files\\Common Files\\Avid\\Audio\\Plug-Ins"
VST3 = VST3_FOLDER + "\\Tarrow Audio - Ondra.vst3"
AAX = AAX_FOLDER + "\\Tarrow Audio - Ondra.aaxplugin"
UNINSTALLER = "C:\\Program Files\\Tarrow Audio\\Ondra\\Installer.exe"
RESTART_NEEDED = 3010 % 256   # exit code 3010, as Wine hands it on to a Unix parent

PLANTED = [
    VST3_FOLDER + "\\Other Vendor.vst3\\Contents\\x86_64-win\\Other Vendor.vst3",
    VST3_FOLDER + "\\my notes.txt",
    AAX_FOLDER + "\\Other Vendor.aaxplugin\\Contents\\x64\\Other Vendor.aaxplugin",
    AAX_FOLDER + "\\my notes.txt",
]


def plant(prefix):
    for path in PLANTED:
        os.makedirs(os.path.dirname(prefix.unix(path)), exist_ok=True)
        with open(prefix.unix(path), "w") as f:
            f.write("not the installer's\n")



class Lifecycle(unittest.TestCase):
    def install(self, prefix):
        code, output, seconds = prefix.run(INSTALLER, "--headless")
        print(f"install: exit code {code}, {seconds:.1f} s")
        self.assertEqual(code, 0, output)
        self.assertTrue(os.path.isdir(prefix.unix(VST3)))
        self.assertTrue(os.path.isfile(prefix.unix(UNINSTALLER)))

    def assert_product_gone_and_others_kept(self, prefix):
        for path in (VST3, AAX, VST3_FOLDER + "\\icon {a3c95e10f27b4d6890e1c4b7d2f5a08e}.ico"):
            self.assertFalse(os.path.exists(prefix.unix(path)), path)
        self.assertIsNone(prefix.reg_values(KEY))
        for path in PLANTED:
            self.assertTrue(os.path.isfile(prefix.unix(path)), path)

    def test_install_then_registered_quiet_uninstall(self):
        start = time.monotonic()
        with Prefix("lifecycle") as prefix:
            plant(prefix)
            self.install(prefix)

            values = prefix.reg_values(KEY)
            self.assertEqual(values["UninstallString"], f"\"{UNINSTALLER}\" --uninstall")
            self.assertEqual(values["QuietUninstallString"], f"\"{UNINSTALLER}\" --uninstall --headless")
            self.assertEqual(values["InstallLocation"], VST3_FOLDER)
            self.assertEqual(values["ExtraPath0"], AAX)

            # As Windows runs it: the registered text handed to cmd, exactly as stored (through a
            # variable, so that nothing between here and cmd re-quotes it). cmd does not wait for a
            # program without a console, so the uninstaller's end is waited for by its output.
            started = time.monotonic()
            prefix.env["UNINSTALL_COMMAND"] = values["QuietUninstallString"]
            quiet = prefix.wine("cmd", "/c", "%UNINSTALL_COMMAND% > C:\\uninstall.log", timeout=300)
            self.assertEqual(quiet.returncode, 0, quiet.stderr)
            log = prefix.unix("C:\\uninstall.log")
            def read_log():
                with open(log, errors="replace") as f:
                    return f.read()

            self.assertTrue(wait_until(lambda: "Exiting..." in read_log(), 120), read_log())
            output = read_log()
            print(f"uninstall: {time.monotonic() - started:.1f} s until \"Exiting...\"")

            assert_in_order(self, lines_of(output), [
                "Operation mode source: explicit command line",
                "Operation mode: uninstall",
                "Starting deinstallation...",
                "Looking for Ondra in Registry... a3c95e10f27b4d6890e1c4b7d2f5a08e",
                "AppName: Ondra",
                "Uninstalling: Ondra v1.0.7",
                f"Deleting {AAX}",
                f"Deleting {VST3}",
                f"Deleting directory: {VST3_FOLDER}",
                f"Keeping directory: {VST3_FOLDER} (it holds other files)",
                "Removing Registry entries...",
                "Success cleaning registry",
                "Started script to delete uninstaller...",
                "Deinstallation finished successfully.",
                "Exiting...",
            ])
            self.assertFalse(any(line.startswith("Deleting empty directory") for line in lines_of(output)))

            self.assert_product_gone_and_others_kept(prefix)

            # The self-deletion script: in a folder of its own below the user's temporary folder.
            temp = prefix.unix("C:\\users\\" + os.environ.get("USER", "root") + "\\Temp")
            folders = [name for name in os.listdir(temp) if name.startswith("SelfDeletion")]
            self.assertEqual(len(folders), 1, os.listdir(temp))
            folder = "C:\\users\\" + os.environ.get("USER", "root") + "\\Temp\\" + folders[0]
            script = folder + "\\" + folders[0] + ".bat"

            with open(prefix.unix(script), "rb") as f:
                text = f.read().decode("utf-8")
            lines = text.split("\r\n")
            pid = lines[1].split()[-3]
            self.assertTrue(pid.isdigit(), text)
            self.assertEqual(lines, [
                "@echo off",
                f"echo Waiting for process with id {pid} to finish...",
                ":waitLoop",
                "if exist \"%UNINSTALLER_MARKER%\" (",
                "    ping -n 2 127.0.0.1 >nul",
                "    goto waitLoop",
                ")",
                "echo Deleting files...",
                "set tries=0",
                ":deleteLoop",
                "del /Q /F \"%UNINSTALLER_PATH%\" >nul 2>&1",
                "if exist \"%UNINSTALLER_PATH%\" (",
                "    if %tries% geq 300 goto deleteEnd",
                "    set /a tries+=1",
                "    ping -n 2 127.0.0.1 >nul",
                "    goto deleteLoop",
                ")",
                ":deleteEnd",
                "rmdir /Q \"%UNINSTALLER_MADE_FOLDER1%\" 2>nul",
                "rmdir /Q \"%UNINSTALLER_MADE_FOLDER2%\" 2>nul",
                "echo Deleting this script (tbd)...",
                "del /Q /F \"%~f0\" & rmdir /Q \"%~dp0\"",
                "echo Done.",
                "",
            ])

            # The uninstaller's marker goes as it exits: the script then deletes it, and the
            # folders the installation made for it, which it has left empty.
            self.assertTrue(wait_until(lambda: not os.path.exists(prefix.unix(UNINSTALLER)), 60),
                            "the self-deletion script did not delete the uninstaller")
            self.assertTrue(wait_until(lambda: not os.path.exists(prefix.unix("C:\\Program Files\\Tarrow Audio")), 30))
            # Wine's cmd keeps the running script open: there the folder stays, and depending on
            # timing the script's own file in it, or nothing.
            self.assertTrue(wait_until(lambda: not os.path.exists(prefix.unix(folder))
                                       or os.listdir(prefix.unix(folder)) in ([], [folders[0] + ".bat"]), 30),
                            "only the script may be left in its folder: %s" % (
                                os.listdir(prefix.unix(folder)) if os.path.exists(prefix.unix(folder)) else "gone"))
            self.assertFalse(os.path.exists(prefix.unix(UNINSTALLER)), "the self-deletion script left the uninstaller")
            print(f"uninstaller deleted {time.monotonic() - started:.1f} s after the uninstall started")
        print(f"lifecycle: {time.monotonic() - start:.1f} s")

    def test_link_inside_a_bundle_is_never_followed(self):
        with Prefix("lifecycle-link") as prefix:
            plant(prefix)
            self.install(prefix)

            # A link inside an installed bundle that points at another vendor's bundle: deleting
            # the bundle removes the link, never what it points to. The bundle goes whole, out of
            # the plug-in folder into the installer's own; Wine 8 cannot remove a host symbolic
            # link (Windows removes a folder link as a folder), so there the link waits in that
            # folder for a restart, and the run says so.
            link = prefix.unix(VST3 + "\\Contents\\link to other")
            os.symlink(prefix.unix(VST3_FOLDER + "\\Other Vendor.vst3"), link)

            code, output, _ = prefix.run(INSTALLER, "--uninstall", "--headless")
            self.assertFalse(os.path.lexists(link))
            self.assertFalse(os.path.exists(prefix.unix(VST3)))
            self.assertIsNone(prefix.reg_values(KEY))
            if "Restart Windows to finish removing Ondra." in lines_of(output):
                self.assertEqual(code, RESTART_NEEDED, output)
            else:
                self.assertEqual(code, 0, output)
            for path in PLANTED:
                self.assertTrue(os.path.isfile(prefix.unix(path)), path)

    def test_uninstall_by_the_installer_and_again(self):
        with Prefix("lifecycle-again") as prefix:
            plant(prefix)
            self.install(prefix)

            # The demo installer's manifest has no uninstaller object: the registered uninstaller is
            # not where that manifest puts one, so it is kept, not deleted on the registration's word.
            code, output, _ = prefix.run(DEMO_INSTALLER, "--uninstall", "--headless")
            self.assertEqual(code, 0, output)
            assert_in_order(self, lines_of(output), [
                "Uninstalling: Ondra v1.0.7",
                f"Keeping {UNINSTALLER}: it is not where this product installs its uninstaller",
                "Deinstallation finished successfully.",
            ])
            self.assertFalse(any(line.startswith("Started script") for line in lines_of(output)),
                             "the installer run with --uninstall is the user's file: it stays")
            self.assert_product_gone_and_others_kept(prefix)
            self.assertTrue(os.path.exists(prefix.unix(UNINSTALLER)))

            # Nothing registered: nothing is removed, and that is an error, not a success.
            code, output, _ = prefix.run(DEMO_INSTALLER, "--uninstall", "--headless")
            self.assertEqual(code, 9, output)
            lines = lines_of(output)
            assert_in_order(self, lines, [
                "Error: couldn't find app entry for Ondra in Windows registry",
                "Deinstallation finished with errors.",
                "Exiting...",
            ])
            self.assertFalse(any(line.startswith("Deleting") for line in lines), output)
            for path in PLANTED:
                self.assertTrue(os.path.isfile(prefix.unix(path)), path)
            self.assertTrue(os.path.isfile(DEMO_INSTALLER))


if __name__ == "__main__":
    INSTALLER = sys.argv.pop(1)
    DEMO_INSTALLER = sys.argv.pop(1)
    unittest.main(verbosity=2)
