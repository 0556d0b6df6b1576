#!/usr/bin/env python3
"""Signs an installer (Authenticode, SHA-256) with osslsigncode, as the build does after the link.

    sign_installer.py --osslsigncode <program> --cert <file.pfx> [--timestamp <url>]
                      --description <text> [--url <url>] <executable>

The certificate's password comes from the environment variable INSTALLER_SIGNING_PASSWORD (empty
when unset) and reaches osslsigncode through a file only this user can read, never on a command
line. On failure the executable is deleted, so that the next build links and signs it again."""
import argparse
import os
import subprocess
import sys
import tempfile


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--osslsigncode", required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--timestamp")
    parser.add_argument("--description", required=True)
    parser.add_argument("--url")
    parser.add_argument("executable")
    args = parser.parse_args()

    signed = args.executable + ".signed"
    descriptor, password_file = tempfile.mkstemp(prefix="installer-signing-")
    try:
        with os.fdopen(descriptor, "w") as f:
            f.write(os.environ.get("INSTALLER_SIGNING_PASSWORD", ""))
        command = [args.osslsigncode, "sign", "-pkcs12", args.cert, "-readpass", password_file, "-h", "sha256",
                   "-n", args.description]
        if args.url:
            command += ["-i", args.url]
        if args.timestamp:
            command += ["-ts", args.timestamp]
        command += ["-in", args.executable, "-out", signed]
        if os.path.exists(signed):
            os.remove(signed)
        result = subprocess.run(command, capture_output=True, text=True)
    finally:
        os.remove(password_file)

    if result.returncode != 0 or not os.path.isfile(signed):
        for path in (signed, args.executable):
            if os.path.exists(path):
                os.remove(path)
        print(f"sign_installer: signing {args.executable} failed:\n{result.stdout}{result.stderr}", file=sys.stderr)
        return 1

    os.replace(signed, args.executable)
    print(f"Signed {args.executable}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
