#!/usr/bin/env python3
"""The package manager manifest written for an installer follows the manifest rules and describes
this installer: its hash, its switches, its registration; a product it cannot describe gets none."""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import winget_rules  # noqa: E402

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
WRITER = os.path.join(ROOT, "cmake", "write_winget_manifest.py")
PRODUCT = os.path.join(ROOT, "product", "Manifest.xml")
THREE_OBJECTS = os.path.join(ROOT, "tests", "fixtures", "three-objects", "Manifest.xml")
ONDRA = {"AppName": "Ondra", "AppVersion": "1.0.7", "AppUuid": "a3c95e10f27b4d6890e1c4b7d2f5a08e",
         "CompanyName": "Tarrow Audio", "WebLink": ""}


def manifest_of(attributes, user_paths):
    """A product manifest with one object for each allowUserPath value (None: no such attribute)."""
    root = ElementTree.Element("Manifest", dict(ONDRA, **attributes))
    objects = ElementTree.SubElement(root, "Objects")
    for i, value in enumerate(user_paths):
        ElementTree.SubElement(objects, "Object", {"objectName": f"Object {i}", "objectPath": f"Object{i}.zip",
                                                   **({} if value is None else {"allowUserPath": value})})
    return ElementTree.tostring(root, encoding="unicode")


class WingetManifest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="winget-manifest-")
        self.addCleanup(shutil.rmtree, self.folder)
        self.exe = os.path.join(self.folder, "Ondra Setup.exe")
        with open(self.exe, "wb") as f:
            f.write(os.urandom(300_000))
        with open(self.exe, "rb") as f:
            self.sha256 = hashlib.sha256(f.read()).hexdigest()

    def write(self, manifest, *options, name):
        """Runs the writer on a manifest (a file, or the text of one); returns (result, output folder, manifest file)."""
        if not os.path.isfile(manifest):
            path = os.path.join(self.folder, name + ".xml")
            with open(path, "w", encoding="utf-8") as f:
                f.write(manifest)
            manifest = path
        out = os.path.join(self.folder, name)
        result = subprocess.run([sys.executable, WRITER, "--manifest", manifest, "--exe", self.exe, "--out", out,
                                 *options], capture_output=True, text=True, encoding="utf-8")
        return result, out, manifest

    def test_written_manifests_follow_the_rules_and_describe_the_installer(self):
        url = "https://downloads.tarrow.example/Ondra%201.0.7.exe"
        rows = [
            # what, manifest, options, identifier, user folder
            ("the product", PRODUCT, [], "TarrowAudio.Ondra", False),
            ("a product with a chosen folder", THREE_OBJECTS, [], "TarrowAudio.OndraSuite", True),
            ("quotes, colons, a backslash and accents", manifest_of(
                {"CompanyName": 'Tarrow: "Audio" \\ Wérk #1', "AppName": "Ondra – Ünd", "WebLink": "https://tarrow.example"},
                ["0", "true"]), [], "TarrowAudioWérk#1.Ondra–Ünd", True),
            ("line breaks YAML would fold, a byte order mark and an emoji", manifest_of(
                {"CompanyName": "Tarrow\tAudio\u2028 \x85Werk\ufeff", "AppName": "Ondra 🎛"}, [" yes "]),
             [], "TarrowAudioWerk.Ondra🎛", True),
            ("flags the installer reads as false", manifest_of({}, ["0", "false", "", "no", None]),
             [], "TarrowAudio.Ondra", False),
            ("flags the installer reads as true", manifest_of({}, ["0", "2"]), [], "TarrowAudio.Ondra", True),
            ("no objects", manifest_of({}, []), [], "TarrowAudio.Ondra", False),
            ("a version that looks like a number", manifest_of({"AppVersion": "1.10"}, []), [], "TarrowAudio.Ondra", False),
            ("every option given", manifest_of({}, ["TRUE"]),
             ["--installer-url", url, "--license", 'EULA: "see the installer"', "--short-description", "Tape # warmth"],
             "TarrowAudio.Ondra", True),
        ]
        for row, (what, manifest, options, identifier, user_folder) in enumerate(rows):
            with self.subTest(what):
                result, out, manifest = self.write(manifest, *options, name=f"out{row}")
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(result.stderr, "")
                version, installer, locale = winget_rules.check_manifest_folder(out)

                product = ElementTree.parse(manifest).getroot().attrib
                self.assertEqual(version["PackageIdentifier"], identifier)
                self.assertEqual(version["PackageVersion"], product["AppVersion"])
                self.assertEqual(installer["Installers"][0]["InstallerSha256"], self.sha256.upper())
                self.assertEqual("InstallLocation" in installer["InstallerSwitches"], user_folder)
                self.assertEqual(installer["AppsAndFeaturesEntries"], [{
                    "DisplayName": product["AppName"], "Publisher": product["CompanyName"],
                    "DisplayVersion": product["AppVersion"], "ProductCode": "{" + product["AppUuid"] + "}"}])
                self.assertEqual((locale["Publisher"], locale["PackageName"]), (product["CompanyName"], product["AppName"]))
                self.assertEqual(locale.get("PublisherUrl"), product["WebLink"] or None)
                self.assertEqual(locale.get("PackageUrl"), product["WebLink"] or None)

                given = dict(zip(options[::2], options[1::2]))
                self.assertEqual(installer["Installers"][0]["InstallerUrl"],
                                 given.get("--installer-url", "https://example.invalid/Ondra%20Setup.exe"))
                self.assertEqual("example.invalid" in result.stdout, "--installer-url" not in given, result.stdout)
                self.assertEqual(locale["License"], given.get("--license", "Proprietary"))
                self.assertEqual(locale["ShortDescription"], given.get(
                    "--short-description", f"{product['AppName']} by {product['CompanyName']}: audio plug-ins"))

    def test_a_product_that_cannot_be_described_gets_no_manifest(self):
        rows = [
            # what, manifest, options, what the line says
            ("a 40-character AppName", manifest_of({"AppName": "Ondra" * 8}, []), [],
             'the segment "OndraOndraOndraOndraOndraOndraOndraOndra" of 40 characters, more than 32'),
            ("an empty version", manifest_of({"AppVersion": ""}, ["1"]), [], "the product manifest has no AppVersion"),
            ("a version with a slash", manifest_of({"AppVersion": "1.0/7"}, []), [], 'AppVersion "1.0/7" is no package'),
            ("a company name ending in a dot", manifest_of({"CompanyName": "Tarrow Audio Inc."}, []), [],
             '"TarrowAudioInc..Ondra" made of CompanyName "Tarrow Audio Inc." and AppName "Ondra" has an empty segment'),
            ("an AppName of forbidden characters only", manifest_of({"AppName": ' ?*:" '}, []), [], "has an empty segment"),
            ("nine segments", manifest_of({"CompanyName": "T.a.r.r.o.w.A.u"}, []), [], "has 9 dot-separated segments, not 2 to 8"),
            ("a one-letter AppName", manifest_of({"AppName": "O"}, []), [], 'PackageName "O" has 1 characters, not 2'),
            ("no AppUuid", manifest_of({"AppUuid": ""}, []), [], "no AppUuid"),
            ("a WebLink without its scheme", manifest_of({"WebLink": "www.tarrow.example"}, []), [],
             'WebLink "www.tarrow.example" is no http:// or https:// address'),
            ("an address that is not downloadable", PRODUCT, ["--installer-url", "ftp://tarrow.example/Ondra.exe"],
             '--installer-url "ftp://tarrow.example/Ondra.exe" is no http://'),
            ("a two-letter licence", PRODUCT, ["--license", "MI"], 'License "MI" has 2 characters, not 3 to 512'),
            ("an unreadable product manifest", "<Manifest AppName=", [], "cannot read the product manifest"),
        ]
        for row, (what, manifest, options, expected) in enumerate(rows):
            with self.subTest(what):
                result, out, _ = self.write(manifest, *options, name=f"refused{row}")
                self.assertEqual(result.returncode, 1)
                self.assertIn(expected, result.stderr)
                self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                self.assertFalse(os.path.exists(out), "nothing is written for a product that is refused")

    def test_a_missing_installer_leaves_no_files(self):
        os.remove(self.exe)
        result, out, _ = self.write(PRODUCT, name="out")
        self.assertEqual(result.returncode, 1)
        self.assertIn("cannot read the installer", result.stderr)
        self.assertFalse(os.path.exists(out))

    def test_a_new_run_replaces_the_files_of_the_last(self):
        self.write(PRODUCT, name="out")
        with open(self.exe, "ab") as f:
            f.write(b"signed")
        result, out, _ = self.write(PRODUCT, name="out")
        self.assertEqual(result.returncode, 0, result.stderr)
        _, installer, _ = winget_rules.check_manifest_folder(out)
        with open(self.exe, "rb") as f:
            self.assertEqual(installer["Installers"][0]["InstallerSha256"], hashlib.sha256(f.read()).hexdigest().upper())

    def test_the_rules_catch_broken_manifests(self):
        result, good, _ = self.write(PRODUCT, name="good")
        self.assertEqual(result.returncode, 0, result.stderr)
        installer, locale, version = "TarrowAudio.Ondra.installer.yaml", "TarrowAudio.Ondra.locale.en-US.yaml", \
            "TarrowAudio.Ondra.yaml"
        sha = self.sha256.upper()
        rows = [
            # file, text, replacement, what the message says
            (version, 'PackageVersion: "1.0.7"', 'PackageVersion: "1.0.8"', "differs from"),
            (locale, 'PackageIdentifier: "TarrowAudio.Ondra"', 'PackageIdentifier: "Tarrow.Ondra"', "differs from"),
            (version, 'PackageVersion: "1.0.7"', "PackageVersion: 1.5", "PackageVersion is 1.5, not text"),
            (installer, sha, sha.lower(), "is not 64 upper-case hexadecimal digits"),
            (installer, sha, sha[:-1], "is not 64 upper-case hexadecimal digits"),
            (installer, "InstallerReturnCode: 9", "InstallerReturnCode: 0", "InstallerReturnCode 0 is no non-zero"),
            (installer, "InstallerReturnCode: 9", "InstallerReturnCode: 87", "InstallerReturnCode 87 is listed twice"),
            (installer, '"rebootRequiredToFinish"', '"rebootInitiated"', "code 3010 (restart needed) answers"),
            (installer, '"cancelledByUser"', '"cancelled"', "ReturnResponse 'cancelled' of code 1223"),
            (installer, '  Log: "--log=\\"<LOGPATH>\\""\n', "", "InstallerSwitches Log is None"),
            (installer, 'Architecture: "x64"', 'Architecture: "x86"', "Architecture is 'x86'"),
            (installer, 'Scope: "machine"', 'Scope: "user"', "Scope is 'user'"),
            (installer, 'ManifestVersion: "1.6.0"', 'ManifestVersion: "1.5.0"', "ManifestVersion is '1.5.0'"),
            (installer, "winget-manifest.installer.1.6.0", "winget-manifest.version.1.6.0", "does not begin with"),
            (installer, '"{a3c95e10f27b4d6890e1c4b7d2f5a08e}"', '"a3c95e10f27b4d6890e1c4b7d2f5a08e"', "in braces"),
            (locale, 'License: "Proprietary"\n', "", "lacks License"),
            (locale, 'Publisher: "Tarrow Audio"', 'Publisher: "T"', "Publisher 'T' has 1 characters"),
            (locale, 'ManifestType: "defaultLocale"', 'ManifestType: "locale"', "ManifestType 'locale' is none"),
            (locale, "\n", "\r\n", "has a line end other than"),
            (locale, "# yaml", "\ufeff# yaml", "begins with a byte order mark"),
        ]
        for file, text, replacement, expected in rows:
            with self.subTest(file=file, replacement=replacement):
                broken = os.path.join(tempfile.mkdtemp(dir=self.folder), "manifest")
                shutil.copytree(good, broken)
                path = os.path.join(broken, file)
                with open(path, encoding="utf-8", newline="") as f:
                    content = f.read()
                self.assertIn(text, content)
                with open(path, "w", encoding="utf-8", newline="") as f:
                    f.write(content.replace(text, replacement))
                with self.assertRaises(AssertionError) as caught:
                    winget_rules.check_manifest_folder(broken)
                self.assertIn(expected, str(caught.exception))

        for extra, expected in (("TarrowAudio.Ondra.yaml.1x2y.tmp", "is no manifest file"),
                                ("TarrowAudio.Ondra.locale.de-DE.yaml", "is a second defaultLocale file")):
            with self.subTest(extra=extra):
                shutil.copy(os.path.join(good, locale), os.path.join(good, extra))
                with self.assertRaises(AssertionError) as caught:
                    winget_rules.check_manifest_folder(good)
                self.assertIn(expected, str(caught.exception))
                os.remove(os.path.join(good, extra))


if __name__ == "__main__":
    unittest.main(verbosity=2)
