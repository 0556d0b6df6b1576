#!/usr/bin/env python3
"""The build's signing step: with a code-signing certificate the installer is signed (SHA-256),
the signature verifies against that certificate, and the signed installer still installs.

    test_signing.py <demo installer>

The certificate is made here, self-signed, with openssl; the step is the script the build runs
after the link (cmake/sign_installer.py), given the same arguments."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from winetest import Prefix, lines_of

INSTALLER = None
SIGN = os.path.join(os.path.dirname(__file__), "..", "..", "cmake", "sign_installer.py")


def make_certificate(folder, password):
    key, cert, pfx = (os.path.join(folder, name) for name in ("key.pem", "cert.pem", "cert.pfx"))
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-keyout", key, "-out", cert, "-days", "2",
                    "-nodes", "-subj", "/CN=Tarrow Audio Test Signing", "-addext", "extendedKeyUsage=codeSigning"],
                   check=True, capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-out", pfx, "-inkey", key, "-in", cert, "-passout", "pass:" + password],
                   check=True, capture_output=True)
    return cert, pfx


class Signing(unittest.TestCase):
    def sign(self, program, pfx, password):
        environment = dict(os.environ, INSTALLER_SIGNING_PASSWORD=password)
        return subprocess.run([sys.executable, SIGN, "--osslsigncode", shutil.which("osslsigncode"), "--cert", pfx,
                               "--description", "Ondra Installer", "--url", "https://tarrow-audio.invalid/ondra", program],
                              env=environment, capture_output=True, text=True)

    def test_the_build_signs_and_the_signed_installer_installs(self):
        with tempfile.TemporaryDirectory() as folder:
            password = "a secret of the maker's"
            cert, pfx = make_certificate(folder, password)
            program = os.path.join(folder, "Installer.exe")
            shutil.copy(INSTALLER, program)

            result = self.sign(program, pfx, password)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertNotIn(password, " ".join(result.args), "the password never stands on a command line")

            verified = subprocess.run(["osslsigncode", "verify", "-in", program, "-CAfile", cert], capture_output=True, text=True)
            self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)
            self.assertIn("SHA256", verified.stdout.upper().replace("-", ""))

            # A wrong password: no signature, and no installer left to be taken for a signed one.
            wrong = os.path.join(folder, "Wrong.exe")
            shutil.copy(INSTALLER, wrong)
            self.assertEqual(self.sign(wrong, pfx, "not the password").returncode, 1)
            self.assertFalse(os.path.exists(wrong))

            with Prefix("signed") as prefix:
                code, output, _ = prefix.run(program, "--headless")
                self.assertEqual(code, 0, output)
                self.assertIn("Installation finished successfully.", lines_of(output))


if __name__ == "__main__":
    INSTALLER = sys.argv.pop(1)
    unittest.main(verbosity=2)
