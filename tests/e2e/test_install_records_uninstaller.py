#!/usr/bin/env python3
"""A product with an executable main application, presets from a sub-folder of the payload and the
uninstall script: the registration, the icon, the script and the Start-menu link it leaves; then the
script itself, run as the list of installed programs runs it."""
import os
import sys
import unittest

from winetest import Prefix, assert_in_order, lines_of, link_target

INSTALLER = None
KEY = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{5b0c2d7e9f1a4c3b8e6d0a1f2b3c4d5e}"
SUITE = "C:\\Program Files\\Tarrow Audio\\Ondra Suite"
TOOL = SUITE + "\\Ondra Tool.exe"
SCRIPT = SUITE + "\\Uninstall Ondra Suite.bat"
PRESETS = "C:\\ProgramData\\Tarrow Audio\\Presets\\Ondra Presets"
VST3 = "C:\\Program Files\\Common Files\\VST3\\Tarrow Audio - Ondra.vst3"
LINK = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tarrow Audio\\Ondra Tool.lnk"
WEB = "https://tarrow-audio.invalid/ondra"
ICON = SUITE + "\\icon {5b0c2d7e9f1a4c3b8e6d0a1f2b3c4d5e}.ico"
# The folders the installation makes, which the uninstall removes again once they are empty.
COMPANY = "C:\\Program Files\\Tarrow Audio"
PROGRAM_DATA_COMPANY = "C:\\ProgramData\\Tarrow Audio"
PRESETS_FOLDER = PROGRAM_DATA_COMPANY + "\\Presets"


def expected_script():
    name = "Ondra Tool.exe"
    lines = [
        "@echo off",
        "chcp 65001 >nul",
        "cd /d \"%~dp0\"",
        "cls",
        "echo Uninstalling Ondra Suite...",
        "echo Please wait...",
        "",
        ":: \"/quiet\": run by a deployment tool, nobody answers a prompt",
        "set \"quiet=\"",
        "if /i \"%~1\"==\"/quiet\" set \"quiet=1\"",
        "",
        ":: Check if the script has been passed the \"elevated\" argument",
        "if \"%~1\"==\"elevated\" goto :Elevated",
        "",
        ":: Check for admin privileges",
        "net session >nul 2>&1",
        "if %errorLevel% == 0 (",
        "    echo Already running as administrator",
        "    goto :Elevated",
        ") else if defined quiet (",
        "    echo Uninstalling needs administrator rights. Nothing was removed.",
        "    exit /b 1",
        ") else (",
        "    echo Not running as administrator. Trying to elevate...",
        "    powershell -Command \"Start-Process -FilePath '%~f0' -ArgumentList 'elevated' -Verb RunAs\"",
        "    exit /b",
        ")",
        "",
        ":: Elevated tasks",
        ":Elevated",
        "echo Deleting files...",
        f"echo Checking for running process {name}...",
        f"taskkill /im \"{name}\" /f 2>nul",
        f"set \"process={name}\"",
        "setlocal EnableDelayedExpansion",
        "set counter=0",
        ":retry1",
        "set pid=",
        "for /f \"delims=\" %%i in ('tasklist /FI \"IMAGENAME eq !process!\" /NH /FO CSV 2^>nul ^| find /I \"!process!\"') do set pid=%%i",
        "if defined pid (",
        "    timeout /t 1 >nul",
        "    set /a counter+=1",
        "    if !counter! lss 30 (",
        "        goto retry1",
        "    ) else (",
        "        echo Process termination timed out.",
        "    )",
        "    set pid=",
        "    set counter=0",
        ") else (",
        "    echo Process !process! not running.",
        ")",
        "endlocal",
        f"echo Deleting file {name}...",
        f"del /f /q \"{TOOL}\"",
        "echo Deleting file Ondra Presets...",
        f"attrib -r \"{PRESETS}\"",
        f"rmdir /s /q \"{PRESETS}\"",
        "echo Deleting file Tarrow Audio - Ondra.vst3...",
        f"attrib -r \"{VST3}\"",
        f"rmdir /s /q \"{VST3}\"",
        "set remaining=0",
        *[f"if exist \"{path}\" set remaining=1& echo Could not remove {path}" for path in (TOOL, PRESETS, VST3)],
        "if not \"%remaining%\"==\"0\" goto :Kept",
        "echo Removing registry entry...",
        f"reg delete \"HKLM\\{KEY}\" /f",
        f"attrib -r -h \"{ICON}\" 2>nul",
        f"del /f /q \"{ICON}\" 2>nul",
        "echo Deleting uninstaller directory...",
        "cd /d \"%TEMP%\"",
        f"del /f /q \"{SCRIPT}\" & rmdir \"{SUITE}\" 2>nul"
        + "".join(f" & rmdir \"{folder}\" 2>nul" for folder in (PRESETS_FOLDER, PROGRAM_DATA_COMPANY, COMPANY))
        + " & echo Uninstallation finished. & (if not defined quiet pause) & exit /b 0",
        ":Kept",
        "echo Some files could not be removed: close the programs that use them and run the uninstaller again.",
        "if not defined quiet pause",
        "exit /b 1",
    ]
    return "".join(line + "\r\n" for line in lines).encode("utf-8")


class InstallRecordsUninstaller(unittest.TestCase):
    def test_registration_script_icon_and_link(self):
        with Prefix("with-script") as prefix:
            code, output, seconds = prefix.run(INSTALLER, "--headless")
            print(f"headless install: exit code {code}, {seconds:.1f} s")
            self.assertEqual(code, 0, output)
            assert_in_order(self, lines_of(output), [
                "Installing Ondra Suite v2.0.1",
                "Installing Ondra Tool.exe...", "   >> Success!",
                "Installing Ondra Presets...", "   >> Success!",
                "Installing Tarrow Audio - Ondra.vst3...", "   >> Success!",
                "Creating registry entries...",
                "Adding Ondra Tool.exe to Start Menu...", "   >> Success!",
                "Installation finished successfully.",
                "Exiting...",
            ])

            self.assertEqual(prefix.reg_values("HKLM\\" + KEY), {
                "DisplayName": "Ondra Suite",
                "DisplayVersion": "2.0.1",
                "HelpLink": WEB,
                "InstallLocation": SUITE,
                "ExtraPath0": PRESETS,
                "ExtraPath1": VST3,
                "CreatedFolder0": COMPANY,
                "CreatedFolder1": SUITE,
                "CreatedFolder2": PROGRAM_DATA_COMPANY,
                "CreatedFolder3": PRESETS_FOLDER,
                "Publisher": "Tarrow Audio",
                "UninstallString": f"cmd.exe /C \"\"{SCRIPT}\"\"",
                "QuietUninstallString": f"cmd.exe /C \"\"{SCRIPT}\" /quiet\"",
                "URLInfoAbout": WEB,
                "URLUpdateInfo": WEB,
                "DisplayIcon": ICON,
            })

            self.assertTrue({"H", "R"} <= prefix.attributes(ICON),
                            prefix.wine("cmd", "/c", "attrib", ICON).stdout)
            with open(prefix.unix(ICON), "rb") as icon:
                self.assertEqual(icon.read(4), b"\0\0\1\0")

            with open(prefix.unix(SCRIPT), "rb") as script:
                self.assertEqual(script.read(), expected_script())

            self.assertTrue(os.path.isfile(prefix.unix(PRESETS + "\\Factory\\Warm Tape.preset")))
            self.assertFalse(os.path.exists(prefix.unix("C:\\ProgramData\\Tarrow Audio\\Presets\\Ondra Presets.zip")))

            self.assertTrue(os.path.isfile(prefix.unix(LINK)))
            self.assertEqual(link_target(prefix.unix(LINK)).lower(), TOOL.lower())

            # The list of installed programs runs the script through cmd; "elevated" skips the
            # administrator check, and the final pause gets its key press.
            other = prefix.unix("C:\\Program Files\\Common Files\\VST3\\Other Vendor.vst3")
            os.makedirs(other)
            script = prefix.wine("cmd", "/c", SCRIPT, "elevated", timeout=300, stdin=b"\r\n")
            transcript = script.stdout.decode("utf-8", "replace")
            print(transcript)

            for path in (TOOL, PRESETS, VST3):
                self.assertFalse(os.path.exists(prefix.unix(path)), path + "\n" + transcript)

            # Everything the product put in the script's folder is gone. The script and the folder
            # go on Windows, where cmd closes a batch file between its lines; Wine's cmd keeps the
            # running script open until it ends, so there the script and its folder stay.
            left = os.listdir(prefix.unix(SUITE)) if os.path.exists(prefix.unix(SUITE)) else []
            self.assertIn(left, ([], ["Uninstall Ondra Suite.bat"]), transcript)

            self.assertIsNone(prefix.reg_values("HKLM\\" + KEY))
            self.assertTrue(os.path.isdir(other), "another vendor's bundle stays")
            self.assertFalse(os.path.exists(prefix.unix(PROGRAM_DATA_COMPANY)), "the folders the installation made go")


if __name__ == "__main__":
    INSTALLER = sys.argv.pop(1)
    unittest.main(verbosity=2)
