#!/usr/bin/env python3
"""Faults met by attackers and unlucky users, each row in a fresh Wine prefix with the real
installers: the exit code, the error line, and that the files of others are byte-for-byte as they
were (a user's files beside the plug-ins, another vendor's bundle, another product's icon, a user's
files in the uninstaller's folder).

    test_fault_table.py <demo> <lifecycle> <hostile> <upgrade> <second> <odd names> <non-ASCII> <with script>
                        <wintool> <group>

The demo installer registers nothing; the lifecycle product is the demo product with an installer
of its own as its uninstaller, and the upgrade product its next version.
"""
import os
import struct
import subprocess
import sys
import time
import unittest
import xml.etree.ElementTree as ElementTree

from winetest import Prefix, assert_in_order, files_below, lines_of, wait_until

DEMO = LIFECYCLE = HOSTILE = UPGRADE = SECOND = ODD_NAMES = NON_ASCII = WITH_SCRIPT = WINTOOL = None

UNINSTALL = "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
ONDRA_ID = "a3c95e10f27b4d6890e1c4b7d2f5a08e"
ONDRA_KEY = "HKLM\\" + UNINSTALL + "{" + ONDRA_ID + "}"
VST3_FOLDER = "C:\\Program Files\\Common Files\\VST3"
AAX_FOLDER = "C:\\Program Files\\Common Files\\Avid\\Audio\\Plug-Ins"
VST3 = VST3_FOLDER + "\\Tarrow Audio - Ondra.vst3"
AAX = AAX_FOLDER + "\\Tarrow Audio - Ondra.aaxplugin"
VST3_MODULE = VST3 + "\\Contents\\x86_64-win\\Tarrow Audio - Ondra.vst3"
USER = os.environ.get("USER", "root")
WORK_ROOT = "C:\\ProgramData"   # where the installer's own folders go on the system volume
PLUGIN_FOLDERS = (VST3_FOLDER, AAX_FOLDER, "C:\\Program Files\\Common Files\\CLAP")
LOADABLE = (".vst3", ".aaxplugin", ".clap", ".dll")
BUNDLES = {"Tarrow Audio - Ondra.vst3", "Tarrow Audio - Ondra.aaxplugin", "Other Vendor.vst3", "Other Vendor.aaxplugin"}

# Files that are not the installer's: every row plants them, and every row checks them.
VICTIMS = {
    VST3_FOLDER + "\\Other Vendor.vst3\\Contents\\x86_64-win\\Other Vendor.vst3": b"MZ another vendor's plug-in\r\n",
    VST3_FOLDER + "\\my notes.txt": b"a user's notes\r\n",
    VST3_FOLDER + "\\desktop.ini": b"[.ShellClassInfo]\r\nIconResource=folder.ico\r\n",
    VST3_FOLDER + "\\icon.ico": b"\0\0\1\0 a user's icon",
    AAX_FOLDER + "\\Other Vendor.aaxplugin\\Contents\\x64\\Other Vendor.aaxplugin": b"MZ another vendor's AAX\r\n",
    AAX_FOLDER + "\\my notes.txt": b"a user's notes\r\n",
    "C:\\users\\Public\\Documents\\notes.txt": b"a user's document\r\n",
}


def plant(prefix, files=VICTIMS):
    for path, data in files.items():
        os.makedirs(os.path.dirname(prefix.unix(path)), exist_ok=True)
        with open(prefix.unix(path), "wb") as f:
            f.write(data)
    return dict(files)


def read(path, mode="rb"):
    with open(path, mode, **({} if "b" in mode else {"errors": "replace"})) as f:
        return f.read()


def contents(prefix, folder):
    """Every file below a folder with its bytes."""
    return {name: read(os.path.join(prefix.unix(folder), *name.split("\\"))) for name in files_below(prefix.unix(folder))}



def value_tree(element):
    """JUCE's binary form of a ValueTree, as its writeToStream writes one: what the installer keeps
    its pending state in."""
    def compressed(value):
        data = value.to_bytes(4, "little").rstrip(b"\0")
        return bytes([len(data)]) + data

    def text(value):
        return value.encode("utf-8") + b"\0"

    def var(value):
        if isinstance(value, int):
            return compressed(5) + b"\1" + struct.pack("<i", value)
        data = text(value)
        return compressed(len(data) + 1) + b"\5" + data

    tag, properties, children = element
    out = text(tag) + compressed(len(properties))
    for name, value in properties.items():
        out += text(name) + var(value)
    out += compressed(len(children))
    for child in children:
        out += value_tree(child)
    return out


def tree_of_xml(element):
    return (element.tag, dict(element.attrib), [tree_of_xml(child) for child in element])


class FaultTable(unittest.TestCase):
    def assert_untouched(self, prefix, victims):
        for path, data in victims.items():
            with self.subTest(victim=path):
                self.assertTrue(os.path.isfile(prefix.unix(path)), path + " is gone")
                self.assertEqual(read(prefix.unix(path)), data, path + " was changed")

    def assert_no_staging(self, prefix, *folders):
        for folder in folders + (WORK_ROOT,):
            if os.path.isdir(prefix.unix(folder)):
                left = [name for name in os.listdir(prefix.unix(folder))
                        if name.startswith(".installing") or name.startswith(".installer-")]
                self.assertEqual(left, [], folder)

    def assert_nothing_loadable_outside_bundles(self, prefix, bundles=BUNDLES):
        """No entry a host could load as a plug-in lies in a plug-in folder outside a real bundle:
        not in a staging folder, not an old copy put aside."""
        for folder in PLUGIN_FOLDERS:
            root = prefix.unix(folder)
            for path, folders, files in os.walk(root):
                for name in folders + files:
                    relative = os.path.relpath(os.path.join(path, name), root)
                    if name.lower().endswith(LOADABLE):
                        self.assertIn(relative.split(os.sep)[0], bundles, f"{folder}\\{relative} can be loaded as a plug-in")

    def run_installer(self, prefix, program, *args):
        code, output, seconds = prefix.run(program, *args)
        print(f"{os.path.basename(os.path.dirname(program))} {' '.join(args)}: exit code {code}, {seconds:.1f} s")
        return code, output, lines_of(output)

    def install_ondra(self, prefix):
        code, output, _ = self.run_installer(prefix, LIFECYCLE, "--headless")
        self.assertEqual(code, 0, output)


class InstallFaults(FaultTable):
    def test_hostile_objects_and_an_archive_writing_beside_its_bundle(self):
        with Prefix("faults-hostile") as prefix:
            victims = plant(prefix)
            code, output, lines = self.run_installer(prefix, HOSTILE, "--headless")

            self.assertEqual(code, 9, output)
            for name, problem in [
                ("Up and out", 'its objectPath "..\\..\\..\\..\\users\\Public\\Documents" is not a relative path of plain file names'),
                ("Absolute", 'its objectPath "C:\\users\\Public\\Documents\\notes.txt" is not a relative path of plain file names'),
                ("The shared folder", 'its objectPath "" is not a relative path of plain file names'),
                ("Another vendor", 'its objectPath "Other Vendor.vst3\\.." is not a relative path of plain file names'),
                ("Relative", 'its destination "Plug-Ins" is not an absolute local folder'),
            ]:
                self.assertIn(f"   >> error : Refusing {name}: {problem}.", lines)
            self.assertIn("Installation finished with errors.", lines)
            self.assertTrue(any(line.startswith("Error installing " + VST3_FOLDER.replace("\\", "/")) for line in lines),
                            output)
            self.assertTrue(any("Other Vendor.vst3" in line and "outside" in line for line in lines), output)

            # The archive that writes beside its bundle installs nothing at all.
            self.assertFalse(os.path.exists(prefix.unix(VST3_FOLDER + "\\Beside.vst3")))
            self.assertIsNone(prefix.reg_values("HKLM\\" + UNINSTALL + "{6e2f4a1c9b8d47e0a5c3f1d2e4b6a8c0}"),
                              "a product with errors is not registered")
            self.assert_no_staging(prefix, VST3_FOLDER)
            self.assert_untouched(prefix, victims)

    def test_a_file_in_use_during_an_upgrade_keeps_the_old_bundle(self):
        with Prefix("faults-in-use") as prefix:
            victims = plant(prefix)
            self.install_ondra(prefix)
            old = contents(prefix, VST3)

            # A host has the plug-in's module loaded while the next version is installed.
            holder, holder_output = prefix.spawn(WINTOOL, "hold", VST3_MODULE, "120")
            try:
                self.assertTrue(wait_until(lambda: "holding" in read(holder_output, "r"), 60), "the holder never started")
                code, output, lines = self.run_installer(prefix, UPGRADE, "--headless")
            finally:
                holder.kill()
                holder.wait()

            self.assertEqual(code, 9, output)
            self.assertIn("Installation finished with errors.", lines)
            self.assertTrue(any(VST3_MODULE in line and "in use" in line for line in lines), output)
            self.assertEqual(contents(prefix, VST3), old, "the old bundle stays whole")
            self.assertEqual(prefix.reg_values(ONDRA_KEY)["DisplayVersion"], "1.0.7")
            self.assert_no_staging(prefix, VST3_FOLDER, AAX_FOLDER)
            self.assert_untouched(prefix, victims)

            # Once the host lets go, the upgrade goes through.
            code, output, _ = self.run_installer(prefix, UPGRADE, "--headless")
            self.assertEqual(code, 0, output)
            self.assertTrue(read(prefix.unix(VST3_MODULE)).endswith(b"version 1.0.8\r\n"))
            self.assertEqual(prefix.reg_values(ONDRA_KEY)["DisplayVersion"], "1.0.8")
            self.assert_untouched(prefix, victims)

    def fill(self, folder, leave):
        """Fills a small file system with a user's file until only `leave` bytes are free."""
        stats = os.statvfs(folder)
        free = stats.f_bavail * stats.f_frsize
        data = b"u" * max(0, free - leave)
        with open(os.path.join(folder, "a user's recording.wav"), "wb") as f:
            f.write(data)
        return {"a user's recording.wav": data}

    def mount_small_disk(self, prefix, folder, size):
        """Mounts a small tmpfs at a folder of the prefix, so that Wine sees a disk that fills."""
        path = prefix.unix(folder)
        os.makedirs(path, exist_ok=True)
        result = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs", path],
                                capture_output=True, text=True)
        if result.returncode != 0:
            self.skipTest("mounting a small file system needs root: " + result.stderr.strip())
        self.addCleanup(subprocess.run, ["umount", "-l", path])
        return path

    def test_a_full_disk_at_extraction(self):
        with Prefix("faults-full-disk") as prefix:
            # A volume of its own for the plug-in folders, mounted at the folder that holds them:
            # the installer unpacks at its root, outside the folders that hosts scan.
            common_files = VST3_FOLDER.rsplit("\\", 1)[0]
            disk = self.mount_small_disk(prefix, common_files, "256k")
            victims = plant(prefix)
            filler = self.fill(disk, 8192)

            code, output, lines = self.run_installer(prefix, LIFECYCLE, "--headless")

            self.assertEqual(code, 9, output)
            self.assertIn("Installation finished with errors.", lines)
            self.assertTrue(any(line.startswith("Error installing " + VST3_FOLDER.replace("\\", "/")) for line in lines),
                            output)
            self.assertFalse(os.path.exists(prefix.unix(VST3)), "no half bundle")
            self.assertIsNone(prefix.reg_values(ONDRA_KEY))
            self.assert_no_staging(prefix, VST3_FOLDER, common_files)
            self.assert_untouched(prefix, victims)
            self.assertEqual({name: data for name, data in contents(prefix, common_files).items() if name in filler}, filler)

    def test_a_full_disk_when_the_uninstall_script_is_written(self):
        suite = "C:\\Program Files\\Tarrow Audio\\Ondra Suite"
        with Prefix("faults-full-script") as prefix:
            disk = self.mount_small_disk(prefix, suite, "256k")
            victims = plant(prefix, {**VICTIMS, suite + "\\my settings.txt": b"a user's settings\r\n"})
            tool_size = os.path.getsize(os.path.join(os.path.dirname(__file__), "..", "fixtures", "with-script", "Ondra Tool.exe"))
            filler = self.fill(disk, (tool_size + 4095) // 4096 * 4096)

            code, output, lines = self.run_installer(prefix, WITH_SCRIPT, "--headless")

            self.assertEqual(code, 9, output)
            self.assertIn("Error writing the uninstaller.", lines)
            self.assertIsNone(prefix.reg_values("HKLM\\" + UNINSTALL + "{5b0c2d7e9f1a4c3b8e6d0a1f2b3c4d5e}"),
                              "no registration names a script that is not there")
            script = prefix.unix(suite + "\\Uninstall Ondra Suite.bat")
            self.assertFalse(os.path.exists(script) and os.path.getsize(script) == 0, "no empty script")
            self.assert_no_staging(prefix, suite)
            self.assert_untouched(prefix, victims)
            self.assertEqual(read(os.path.join(disk, "a user's recording.wav")), filler["a user's recording.wav"])

    def test_a_repair_and_an_uninstall_while_the_wizard_runs(self):
        with Prefix("faults-two-runs") as prefix:
            victims = plant(prefix)
            self.install_ondra(prefix)
            installed = contents(prefix, VST3)

            wizard, wizard_output = prefix.spawn(LIFECYCLE)
            try:
                self.assertTrue(wait_until(lambda: "Operation mode:" in read(wizard_output, "r"), 60),
                                "the wizard never started")
                outcomes = [self.run_installer(prefix, LIFECYCLE, "--headless"),
                            self.run_installer(prefix, DEMO, "--uninstall", "--headless")]
            finally:
                wizard.kill()
                wizard.wait()

            for code, output, lines in outcomes:
                self.assertEqual(code, 3, output)
                self.assertIn("Another installer of Ondra is running. Wait until it has finished, then try again.", lines)
                self.assertNotIn("Starting deinstallation...", lines)
            self.assertEqual(contents(prefix, VST3), installed)
            self.assertEqual(prefix.reg_values(ONDRA_KEY)["DisplayVersion"], "1.0.7")
            self.assert_untouched(prefix, victims)

    def test_a_planted_state_file_runs_nothing_of_its_own(self):
        with Prefix("faults-state-file") as prefix:
            victims = plant(prefix)
            manifest = ElementTree.parse(os.path.join(os.path.dirname(__file__), "..", "fixtures", "lifecycle", "Manifest.xml"))
            tag, properties, children = tree_of_xml(manifest.getroot())
            properties["SelectedUninstallOptions"] = "everything"
            objects = next(child for child in children if child[0] == "Objects")[2]
            marker = "C:\\users\\Public\\planted.txt"

            # Another program of the user's wrote the state: the bundle redirected into the system
            # folder with a command to run afterwards, the AAX bundle left out as the wizard may
            # do, and an object of its own with a command before uninstalling.
            vst3 = objects[0][1]
            vst3["defaultInstallPath"] = "C:/windows/system32"
            vst3["runPostInstall"] = "1"
            vst3["postInstallArgs"] = f"/c echo planted> {marker}"
            del objects[1]
            objects.append(("Object", {"objectName": "cmd", "objectPath": "cmd.exe", "defaultInstallPath": "C:/windows/system32",
                                       "runPostInstall": "1", "postInstallArgs": f"/c echo planted> {marker}",
                                       "runPreUninstall": "1", "preUninstallArgs": f"/c echo planted> {marker}",
                                       "visible": "1", "installationOptional": "1"}, []))
            state = ("AppProperties", {"NextPageToShow": 2, "OperationMode": 0}, [(tag, properties, children)])
            state_file = f"C:\\users\\{USER}\\AppData\\Roaming\\Tarrow Audio\\Ondra Installer\\AppProperties.properties"
            os.makedirs(os.path.dirname(prefix.unix(state_file)))
            with open(prefix.unix(state_file), "wb") as f:
                f.write(value_tree(state))

            # A plain start resumes the pending install, as the elevated copy of the wizard does.
            wizard, wizard_output = prefix.spawn(LIFECYCLE)
            try:
                finished = wait_until(lambda: "Installation finished" in read(wizard_output, "r"), 90)
            finally:
                wizard.kill()
                wizard.wait()
            output = read(wizard_output, "r")
            self.assertTrue(finished, output)

            lines = lines_of(output)
            assert_in_order(self, lines, [
                "Operation mode source: resumed pending installation state",
                "Resumed choice: leave out Tarrow Audio - Ondra.aaxplugin.zip",
            ])
            for ignored in ("the folder C:/windows/system32 for Tarrow Audio - Ondra.vst3.zip", 'the object "cmd.exe"',
                            'the uninstall option "everything"'):
                self.assertTrue(any(line.startswith("Ignored from the saved state: " + ignored) for line in lines), ignored)
            self.assertFalse(any(line.startswith("Running ") for line in lines), output)

            self.assertTrue(os.path.isdir(prefix.unix(VST3)), "the bundle goes where this installer puts it")
            self.assertFalse(os.path.exists(prefix.unix(AAX)), "the user's choice is kept")
            self.assertFalse(os.path.exists(prefix.unix("C:\\windows\\system32\\Tarrow Audio - Ondra.vst3")))
            self.assertFalse(os.path.exists(prefix.unix(marker)), "the planted command never ran")
            self.assert_untouched(prefix, victims)


class InUseFaults(FaultTable):
    def wait_for_host(self, output):
        self.assertTrue(wait_until(lambda: "loaded" in read(output, "r"), 60), "the host never loaded the plug-in: " + read(output, "r"))

    def test_a_host_with_the_plugin_loaded(self):
        with Prefix("faults-loaded") as prefix:
            victims = plant(prefix)
            self.install_ondra(prefix)
            old = {folder: contents(prefix, folder) for folder in (VST3, AAX)}

            # What killed runs left, of an earlier version beside the bundle and of this one in its
            # own folder: the next install removes both.
            leftovers = {VST3_FOLDER + "\\.installing-" + ONDRA_ID + "-0123456789ab\\previous\\Tarrow Audio - Ondra.vst3": b"MZ",
                         WORK_ROOT + "\\.installer-{" + ONDRA_ID + "}-0123456789ab\\1\\Contents\\x86_64-win\\Tarrow Audio - Ondra.vst3": b"MZ"}

            # A host has the plug-in loaded, as a DAW left open does.
            host, host_output = prefix.spawn(WINTOOL, "load", VST3_MODULE, "300")
            try:
                self.wait_for_host(host_output)
                for program, args in ((UPGRADE, ("--headless",)), (LIFECYCLE, ("--uninstall", "--headless"))):
                    plant(prefix, leftovers)
                    code, output, lines = self.run_installer(prefix, program, *args)
                    self.assertEqual(code, 9, output)
                    assert_in_order(self, lines, [VST3_MODULE + " is in use", "Close these programs and run the installer again."])
                    for folder, files in old.items():
                        self.assertEqual(contents(prefix, folder), files, f"{' '.join(args)}: {folder} is as it was")
                    self.assertEqual(prefix.reg_values(ONDRA_KEY)["DisplayVersion"], "1.0.7")
                    self.assert_nothing_loadable_outside_bundles(prefix)
                    self.assert_untouched(prefix, victims)
            finally:
                host.kill()
                host.wait()

            # Once the host has quit, the upgrade goes through and leaves nothing beside the bundles.
            plant(prefix, leftovers)
            code, output, _ = self.run_installer(prefix, UPGRADE, "--headless")
            self.assertEqual(code, 0, output)
            self.assertTrue(read(prefix.unix(VST3_MODULE)).endswith(b"version 1.0.8\r\n"))
            self.assertEqual(prefix.reg_values(ONDRA_KEY)["DisplayVersion"], "1.0.8")
            for path in leftovers:
                self.assertFalse(os.path.exists(prefix.unix(path)), path)
            self.assert_no_staging(prefix, VST3_FOLDER, AAX_FOLDER)
            self.assert_nothing_loadable_outside_bundles(prefix)

            code, output, _ = self.run_installer(prefix, UPGRADE, "--uninstall", "--headless")
            self.assertEqual(code, 0, output)
            for path in (VST3, AAX):
                self.assertFalse(os.path.exists(prefix.unix(path)), path)
            self.assertIsNone(prefix.reg_values(ONDRA_KEY))
            self.assert_no_staging(prefix, VST3_FOLDER, AAX_FOLDER)
            self.assert_untouched(prefix, victims)

    def test_folders_the_install_made_go_with_the_product(self):
        key = "HKLM\\" + UNINSTALL + "{5b0c2d7e9f1a4c3b8e6d0a1f2b3c4d5e}"
        made = ["C:\\Program Files\\Tarrow Audio", "C:\\Program Files\\Tarrow Audio\\Ondra Suite",
                "C:\\ProgramData\\Tarrow Audio", "C:\\ProgramData\\Tarrow Audio\\Presets"]
        # Nothing there before; or the company's folders there already, one with a user's file
        # and one empty: those stay.
        for existing in ({}, {"C:\\Program Files\\Tarrow Audio\\my notes.txt": b"a user's notes\r\n",
                              "C:\\ProgramData\\Tarrow Audio": None}):
            with self.subTest(existing=sorted(existing)), Prefix("faults-made-folders") as prefix:
                victims = plant(prefix)
                for path, data in existing.items():
                    if data is None:
                        os.makedirs(prefix.unix(path))
                    else:
                        victims.update(plant(prefix, {path: data}))
                before = {folder for folder in made if os.path.isdir(prefix.unix(folder))}

                code, output, _ = self.run_installer(prefix, WITH_SCRIPT, "--headless")
                self.assertEqual(code, 0, output)
                recorded = {value for name, value in prefix.reg_values(key).items() if name.startswith("CreatedFolder")}
                self.assertEqual(recorded, set(made) - before)

                code, output, _ = self.run_installer(prefix, WITH_SCRIPT, "--uninstall", "--headless")
                self.assertEqual(code, 0, output)
                for folder in made:
                    self.assertEqual(os.path.isdir(prefix.unix(folder)), folder in before, folder + "\n" + output)
                self.assertTrue(os.path.isdir(prefix.unix(VST3_FOLDER)), "a shared folder stays")
                self.assert_untouched(prefix, victims)


class UninstallFaults(FaultTable):
    def test_hostile_objects_are_never_deletion_targets(self):
        key = "HKLM\\" + UNINSTALL + "{6e2f4a1c9b8d47e0a5c3f1d2e4b6a8c0}"
        with Prefix("faults-hostile-uninstall") as prefix:
            victims = plant(prefix)
            self.run_installer(prefix, HOSTILE, "--headless")

            # A registration as an older build of the same product would have left it, naming
            # the user's documents as one of its paths.
            for name, value in [("DisplayName", "Ondra Hostile"), ("DisplayVersion", "1.0.0"),
                                ("InstallLocation", VST3_FOLDER), ("ExtraPath0", "C:\\users\\Public\\Documents"),
                                ("ExtraPath1", VST3_FOLDER + "\\Other Vendor.vst3")]:
                self.assertEqual(prefix.wine("reg", "add", key, "/v", name, "/d", value, "/f").returncode, 0)

            code, output, lines = self.run_installer(prefix, HOSTILE, "--uninstall", "--headless")

            self.assertEqual(code, 0, output)
            for name in ("Up and out", "Absolute", "The shared folder", "Another vendor", "Relative"):
                self.assertTrue(any(line.startswith(f"Skipping {name}: ") for line in lines), name + "\n" + output)
            self.assertIn(f"Deleting {VST3}", lines)
            self.assertFalse(any(line.startswith("Deleting C:\\users") for line in lines), output)
            self.assertFalse(os.path.exists(prefix.unix(VST3)))
            self.assertIsNone(prefix.reg_values(key))
            self.assert_untouched(prefix, victims)

    def test_a_registration_without_display_name(self):
        with Prefix("faults-no-name") as prefix:
            victims = plant(prefix)
            self.install_ondra(prefix)
            installed = contents(prefix, VST3)
            self.assertEqual(prefix.wine("reg", "delete", ONDRA_KEY, "/v", "DisplayName", "/f").returncode, 0)

            code, output, lines = self.run_installer(prefix, DEMO, "--uninstall", "--headless")

            self.assertEqual(code, 9, output)
            self.assertIn("Deinstallation finished with errors.", lines)
            self.assertIn("The registration of Ondra is missing or damaged (it has no DisplayName); nothing was removed.", lines)
            self.assertEqual(contents(prefix, VST3), installed)
            self.assertTrue(os.path.isdir(prefix.unix(AAX)))
            self.assertEqual(prefix.reg_values(ONDRA_KEY)["DisplayVersion"], "1.0.7", "the registration stays for a retry")
            self.assert_untouched(prefix, victims)

    def test_two_products_in_one_plugin_folder(self):
        brisa_key = "HKLM\\" + UNINSTALL + "{b7d1e3f5a9c24b6d8e0f1a2b3c4d5e6f}"
        with Prefix("faults-two-products") as prefix:
            victims = plant(prefix)
            self.install_ondra(prefix)
            code, output, _ = self.run_installer(prefix, SECOND, "--headless")
            self.assertEqual(code, 0, output)

            brisa = {path: open(prefix.unix(path), "rb").read() for path in
                     [VST3_FOLDER + "\\Tarrow Audio - Brisa.vst3\\" + name
                      for name in files_below(prefix.unix(VST3_FOLDER + "\\Tarrow Audio - Brisa.vst3"))]
                     + [VST3_FOLDER + "\\icon {b7d1e3f5a9c24b6d8e0f1a2b3c4d5e6f}.ico"]}
            brisa_registration = prefix.reg_values(brisa_key)
            self.assertEqual(len(brisa), 3)

            code, output, lines = self.run_installer(prefix, DEMO, "--uninstall", "--headless")

            self.assertEqual(code, 0, output)
            self.assertIn("Deinstallation finished successfully.", lines)
            for path in (VST3, AAX, VST3_FOLDER + "\\icon {" + ONDRA_ID + "}.ico"):
                self.assertFalse(os.path.exists(prefix.unix(path)), path)
            self.assertIsNone(prefix.reg_values(ONDRA_KEY))
            self.assertEqual(prefix.reg_values(brisa_key), brisa_registration)
            self.assert_untouched(prefix, {**victims, **brisa})
            self.assertTrue(os.path.isfile(prefix.unix(VST3_FOLDER + "\\Uninstall Brisa.bat")))

            # Brisa's own script stands in the shared folder: it removes Brisa and its icon, and
            # leaves the folder and everything else in it.
            _, transcript = self.run_registered_uninstall(prefix, "b7d1e3f5a9c24b6d8e0f1a2b3c4d5e6f")
            for path in brisa:
                self.assertFalse(os.path.exists(prefix.unix(path)), path + "\n" + transcript)
            self.assertIsNone(prefix.reg_values(brisa_key), transcript)
            self.assert_untouched(prefix, victims)

    def run_registered_uninstall(self, prefix, product_id):
        # As the list of installed programs runs it; "elevated" stands for the consent dialog that
        # the script asks for, and the script's last pause gets its key press.
        result = prefix.wine(WINTOOL, "uninstall", UNINSTALL + "{" + product_id + "}", "elevated",
                             timeout=300, stdin=b"\r\n\r\n")
        transcript = result.stdout.decode("utf-8", "replace")
        print(transcript)
        return result.returncode, transcript

    def test_names_that_cmd_reads_as_syntax(self):
        product_id = "c4e6a8b0d2f14a3c5e7b9d1f3a5c7e90"
        folder = "C:\\Program Files (x86)\\Tarrow & Co\\Ondra 100% ^!"
        presets = "C:\\ProgramData\\Tarrow & Co\\%PATH% (Presets)"
        with Prefix("faults-odd-names") as prefix:
            victims = plant(prefix, {**VICTIMS, folder + "\\my settings.txt": b"a user's settings\r\n",
                                     presets + "\\My Preset.preset": b"a user's preset\r\n"})
            code, output, _ = self.run_installer(prefix, ODD_NAMES, "--headless")
            self.assertEqual(code, 0, output)
            registration = prefix.reg_values("HKLM\\" + UNINSTALL + "{" + product_id + "}")
            script = folder + "\\Uninstall Ondra 100% & Co (Beta).bat"
            self.assertEqual(registration["UninstallString"], f'cmd.exe /C ""{script}""')
            self.assertTrue(os.path.isfile(prefix.unix(folder + "\\Ondra Tool.exe")))

            _, transcript = self.run_registered_uninstall(prefix, product_id)

            for path in (folder + "\\Ondra Tool.exe", presets + "\\Ondra Presets",
                         folder + "\\icon {" + product_id + "}.ico"):
                self.assertFalse(os.path.exists(prefix.unix(path)), path + "\n" + transcript)
            self.assertIsNone(prefix.reg_values("HKLM\\" + UNINSTALL + "{" + product_id + "}"), transcript)
            self.assertIn("Uninstalling Ondra 100% & Co (Beta)...", transcript)
            self.assert_untouched(prefix, victims)

    def test_names_beyond_ascii(self):
        product_id = "d5f7b9c1e3a54b2d6f8a0c2e4b6d8f10"
        key = "HKLM\\" + UNINSTALL + "{" + product_id + "}"
        folder = "C:\\Program Files\\Tarrow Söhne\\Ondra Ü"
        presets = "C:\\ProgramData\\Tarrow Söhne\\Presets\\Ondra Presets"
        with Prefix("faults-non-ascii") as prefix:
            victims = plant(prefix, {**VICTIMS, folder + "\\my settings.txt": b"a user's settings\r\n"})
            code, output, _ = self.run_installer(prefix, NON_ASCII, "--headless")
            self.assertEqual(code, 0, output)
            self.assertTrue(os.path.isfile(prefix.unix(folder + "\\Ondra Tool.exe")))
            self.assertTrue(os.path.isdir(prefix.unix(presets)))
            script = folder + "\\Uninstall Ondra Ü.bat"
            with open(prefix.unix(script), "rb") as f:
                self.assertIn(f'del /f /q "{folder}\\Ondra Tool.exe"'.encode("utf-8"), f.read())

            # Wine's cmd reads a script in the OEM code page whatever chcp asks: the script sees
            # that it cannot switch to UTF-8 and stops before it removes anything. (On Windows the
            # switch succeeds and the script goes on.)
            code, transcript = self.run_registered_uninstall(prefix, product_id)
            self.assertEqual(code, 1, transcript)
            self.assertIn("This uninstaller cannot read the names of its files here: cmd cannot switch to UTF-8. "
                          "Nothing was removed.", transcript)
            self.assertTrue(os.path.isfile(prefix.unix(folder + "\\Ondra Tool.exe")))
            self.assertTrue(os.path.isdir(prefix.unix(presets)))
            self.assertIsNotNone(prefix.reg_values(key), "the registration stays for a retry")

            # The installer's own uninstall reads the names as they are.
            code, output, lines = self.run_installer(prefix, NON_ASCII, "--uninstall", "--headless")
            self.assertEqual(code, 0, output)
            self.assertFalse(os.path.exists(prefix.unix(folder + "\\Ondra Tool.exe")))
            self.assertFalse(os.path.exists(prefix.unix(presets)))
            self.assertIsNone(prefix.reg_values(key))
            self.assert_untouched(prefix, victims)


if __name__ == "__main__":
    group = sys.argv.pop()
    DEMO, LIFECYCLE, HOSTILE, UPGRADE, SECOND, ODD_NAMES, NON_ASCII, WITH_SCRIPT, WINTOOL = sys.argv[1:10]
    del sys.argv[1:10]
    unittest.main(defaultTest=group, verbosity=2)
