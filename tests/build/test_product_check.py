#!/usr/bin/env python3
"""The build refuses a product whose manifest would install beside its bundles or outside a folder."""
import io
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

PREPARE = os.path.join(os.path.dirname(__file__), "..", "..", "resources", "prepare_product.py")
EULA = os.path.join(os.path.dirname(__file__), "..", "..", "product", "EULA.html")
VST3 = "C:/Program Files/Common Files/VST3"


def payload(*names, inner=None):
    """A payload of these entries; with inner, each ".zip" entry is an archive of those entries."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name in names:
            archive.writestr(name, payload(*inner) if inner and name.endswith(".zip") else b"x")
    return buffer.getvalue()


def prepare(objects, entries, *options, inner=None):
    """Runs the preparation step on a product folder with these objects; returns (exit code, stderr)."""
    with tempfile.TemporaryDirectory() as folder:
        product = os.path.join(folder, "product")
        os.mkdir(product)
        lines = "".join(f'<Object objectName="{name}" objectPath="{path}" defaultInstallPath="{dest}"/>\n'
                        for name, path, dest in objects)
        with open(os.path.join(product, "Manifest.xml"), "w", encoding="utf-8") as f:
            f.write('<?xml version="1.0" encoding="UTF-8"?>\n<Manifest AppName="Ondra" AppVersion="1.0" '
                    f'AppUuid="a3c95e10f27b4d6890e1c4b7d2f5a08e" CompanyName="Tarrow Audio"><Objects>\n{lines}'
                    '</Objects></Manifest>\n')
        with open(os.path.join(product, "Payload.zip"), "wb") as f:
            f.write(payload(*entries, inner=inner))
        out = os.path.join(folder, "out")
        result = subprocess.run([sys.executable, PREPARE, "--product", product, "--eula", EULA, "--out", out,
                                 *options], capture_output=True, text=True)
        return result.returncode, result.stderr, os.path.exists(out)


class ProductCheck(unittest.TestCase):
    def test_sound_products_are_built(self):
        for dest in (VST3, "D:\\Plug-Ins", "C:/__commonAppDataDir__/Tarrow Audio/Presets",
                     "C:/__userAppDataDir__/Tarrow Audio"):
            with self.subTest(dest=dest):
                code, errors, _ = prepare([("Ondra", "Ondra.vst3.zip", dest), ("Tool", "Ondra Tool.exe", dest),
                                           ("Presets", "Presets/Factory.zip", dest), ("Manual", "Docs\\Ondra.pdf", dest)],
                                          ["Ondra.vst3.zip", "Ondra Tool.exe", "Presets/Factory.zip", "Docs/Ondra.pdf"])
                self.assertEqual(code, 0, errors)

    def test_each_broken_object_fails_the_build_by_name(self):
        rows = [
            # objectPath, payload entries, destination, what the line says
            ("../Ondra.vst3.zip", ["../Ondra.vst3.zip"], VST3, 'objectPath "../Ondra.vst3.zip" is not a relative path'),
            ("Presets/../../Ondra.vst3.zip", ["Presets/../../Ondra.vst3.zip"], VST3, "is not a relative path of plain"),
            ("/Ondra.vst3.zip", ["/Ondra.vst3.zip"], VST3, "is not a relative path of plain file names"),
            ("Presets//Factory.zip", ["Presets//Factory.zip"], VST3, "is not a relative path of plain file names"),
            ("Presets /Factory.zip", ["Presets /Factory.zip"], VST3, "is not a relative path of plain file names"),
            ("C:Ondra.vst3.zip", ["C:Ondra.vst3.zip"], VST3, "is not a relative path of plain file names"),
            ("", [], VST3, 'objectPath "" is not a relative path of plain file names'),
            ("..", [".."], VST3, "is not a relative path of plain file names"),
            ("Ondra.vst3 .zip", ["Ondra.vst3 .zip"], VST3, "is not a relative path of plain file names"),
            ("Presets/Factory.zip", ["Factory.zip"], VST3, "names no entry of the payload"),
            ("Ondra.vst3.zip", ["Other.vst3.zip"], VST3, 'objectPath "Ondra.vst3.zip" names no entry of the payload'),
            ("Ondra.vst3.zip", ["ondra.vst3.zip"], VST3, "names no entry of the payload"),
            ("Ondra.vst3.zip", ["Ondra.vst3.zip"], "VST3", 'defaultInstallPath "VST3" is neither an absolute'),
            ("Ondra.vst3.zip", ["Ondra.vst3.zip"], "\\\\server\\share", "is neither an absolute folder"),
            ("Ondra.vst3.zip", ["Ondra.vst3.zip"], "C:/Plug-Ins/../Windows", "leaves its folder"),
            ("Ondra.vst3.zip", ["Ondra.vst3.zip"], "C:/__programFilesDir__/VST3", "holds an unknown placeholder"),
            ("Ondra.vst3.zip", ["Ondra.vst3.zip"], "", "it has no defaultInstallPath"),
        ]
        for path, entries, dest, expected in rows:
            with self.subTest(path=path, dest=dest):
                code, errors, written = prepare([("Good", "Good.vst3.zip", VST3), ("Bad One", path, dest)],
                                                ["Good.vst3.zip", *entries])
                self.assertNotEqual(code, 0)
                self.assertIn('object 2 "Bad One": ', errors)
                self.assertIn(expected, errors)
                self.assertNotIn('"Good"', errors)
                self.assertFalse(written, "nothing is prepared for a product that cannot be built")

    def test_a_path_too_long_for_many_hosts_is_warned_about(self):
        deep = "Ondra.vst3\\Contents\\Resources\\" + "Factory Library\\" * 12 + "Warm Tape.preset"
        for dest, entries, warned in [
            (VST3, ["Ondra.vst3\\Contents\\x86_64-win\\Ondra.vst3"], False),
            (VST3, [deep], True),
            ("C:/__userAppDataDir__/Tarrow Audio/" + "Ondra Sound Library/" * 10, ["Ondra.vst3\\x.preset"], True),
        ]:
            with self.subTest(dest=dest, entries=entries):
                code, errors, written = prepare([("Ondra", "Ondra.vst3.zip", dest)], ["Ondra.vst3.zip"], inner=entries)
                self.assertEqual(code, 0, errors)
                self.assertTrue(written, "a warning, not a refusal")
                self.assertEqual('warning: object "Ondra" installs ' in errors, warned, errors)
                if warned:
                    self.assertIn("characters long: many plug-in hosts cannot load a plug-in", errors)

    def test_a_test_product_may_break_the_rules_on_purpose(self):
        code, errors, _ = prepare([("Missing", "Missing.vst3.zip", VST3)], ["Other.vst3.zip"], "--unchecked")
        self.assertEqual(code, 0, errors)


if __name__ == "__main__":
    unittest.main(verbosity=2)
