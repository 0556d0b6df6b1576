#!/usr/bin/env python3
"""Writes the Windows Package Manager manifest of one built installer.

    write_winget_manifest.py --manifest <Manifest.xml> --exe <Installer.exe> --out <folder>
                             [--installer-url <url>] [--license <text>] [--short-description <text>]

Writes into --out the three files of a multi-file manifest (ManifestVersion 1.6.0), named after the
package identifier <CompanyName>.<AppName>:
  <Id>.yaml                  the version file
  <Id>.installer.yaml        how to run the installer silently, its exit codes, its registration
  <Id>.locale.en-US.yaml     the package's name, publisher and description

The identifier is CompanyName and AppName with blanks and the characters \\ / : * ? " < > | left
out. Everything is checked before anything is written: an identifier that still breaks the rules
(2 to 8 segments of 1 to 32 characters), an empty or unusable version, or a value the manifest schema
would refuse fails with one line per problem, and nothing is written. Without --installer-url the
installer's address is a placeholder below https://example.invalid/, to be replaced before the
manifest is submitted.

Every string is written double-quoted, so that names holding colons, quotes or "#" stay text.
"""
import argparse
import hashlib
import os
import re
import sys
import tempfile
import urllib.parse
import xml.etree.ElementTree as ElementTree

MANIFEST_VERSION = "1.6.0"
LOCALE = "en-US"

# The installer's exit codes (app/CommandLine.h) and what the package manager reports for them.
RETURN_CODES = [
    (1, "custom"),                    # administrator rights needed; a headless run never asks
    (2, "invalidParameter"),          # modify mode, which a headless run does not support
    (3, "installInProgress"),         # another installer of the product is running
    (9, "custom"),                    # finished with errors or files in use
    (87, "invalidParameter"),         # an argument is not understood
    (1223, "cancelledByUser"),        # the request for administrator rights was declined
    (3010, "rebootRequiredToFinish"), # finished; Windows must restart to remove what was in use
]

# What the manifest schema allows in an identifier segment and in a version.
NOT_IN_IDENTIFIER = re.compile(r'[\s\\/:*?"<>|\x00-\x1f\ufeff]')
NOT_IN_VERSION = re.compile(r'[\\/:*?"<>|\x00-\x1f]')
URL = re.compile(r"^[Hh][Tt][Tt][Pp][Ss]?://.+$")
TEXT_LIMITS = [
    # field, shortest, longest
    ("Publisher", 2, 256),
    ("PackageName", 2, 256),
    ("License", 3, 512),
    ("ShortDescription", 3, 256),
]


class Refusal(Exception):
    pass


def flag(text):
    """True as the installer reads a manifest flag: a number other than 0, "true" or "yes"."""
    number = re.match(r"\s*[-+]?(\d+)", text)
    if number and int(number.group(1)) != 0:
        return True
    return text.strip().lower() in ("true", "yes")


def read_product(path):
    try:
        root = ElementTree.parse(path).getroot()
    except (OSError, ElementTree.ParseError) as error:
        raise Refusal(f"cannot read the product manifest {path}: {error}")
    product = {name: root.get(name, "") for name in ("AppName", "AppVersion", "AppUuid", "CompanyName", "WebLink")}
    objects = root.find("Objects")
    product["userFolder"] = objects is not None and any(flag(o.get("allowUserPath", "")) for o in objects)
    return product


def package_identifier(company, app):
    identifier = NOT_IN_IDENTIFIER.sub("", company) + "." + NOT_IN_IDENTIFIER.sub("", app)
    segments = identifier.split(".")
    problem = None
    if not 2 <= len(segments) <= 8:
        problem = f"has {len(segments)} dot-separated segments, not 2 to 8"
    elif any(not segment for segment in segments):
        problem = "has an empty segment"
    elif any(len(segment) > 32 for segment in segments):
        longest = max(segments, key=len)
        problem = f'has the segment "{longest}" of {len(longest)} characters, more than 32'
    elif len(identifier) > 128:
        problem = f"is {len(identifier)} characters long, more than 128"
    if problem:
        raise Refusal(f'the package identifier "{identifier}" made of CompanyName "{company}" and AppName "{app}" '
                      f"{problem}")
    return identifier


def problems_of(product, values, urls):
    found = []
    version = product["AppVersion"]
    if not version:
        found.append("the product manifest has no AppVersion")
    elif NOT_IN_VERSION.search(version) or len(version) > 128:
        found.append(f'AppVersion "{version}" is no package version: at most 128 characters, '
                     'none of \\ / : * ? " < > | or control characters')
    if not 1 <= len(product["AppUuid"]) <= 253:
        found.append("the product manifest has no AppUuid of 1 to 253 characters, which names the installer's "
                     "registration")
    for field, shortest, longest in TEXT_LIMITS:
        if not shortest <= len(values[field]) <= longest:
            found.append(f'{field} "{values[field]}" has {len(values[field])} characters, '
                         f"not {shortest} to {longest}")
    for what, url in urls:
        if url and (not URL.match(url) or len(url) > 2048):
            found.append(f'{what} "{url}" is no http:// or https:// address of at most 2048 characters')
    return found


def sha256_of(path):
    digest = hashlib.sha256()
    try:
        with open(path, "rb") as f:
            for block in iter(lambda: f.read(1 << 20), b""):
                digest.update(block)
    except OSError as error:
        raise Refusal(f"cannot read the installer {path}: {error.strerror}")
    return digest.hexdigest().upper()


def printable(code):
    """Characters a YAML reader takes as they are inside quotes; line and paragraph separators and
    the byte order mark are not among them, as some readers fold or drop them."""
    if code in (0x2028, 0x2029, 0xFEFF):
        return False
    return 0x20 <= code <= 0x7E or 0xA0 <= code <= 0xD7FF or 0xE000 <= code <= 0xFFFD or code >= 0x10000


def quoted(text):
    """A YAML double-quoted scalar that reads back as this text, whatever it holds."""
    out = []
    for ch in text:
        code = ord(ch)
        if ch in '"\\':
            out.append("\\" + ch)
        elif printable(code):
            out.append(ch)
        elif code <= 0xFF:
            out.append(f"\\x{code:02X}")
        else:
            out.append(f"\\u{code:04X}")
    return '"' + "".join(out) + '"'


def yaml_lines(value, indent=""):
    """Block YAML of a mapping of strings, integers, lists and mappings."""
    lines = []
    for key, item in value.items():
        if isinstance(item, dict):
            lines.append(f"{indent}{key}:")
            lines += yaml_lines(item, indent + "  ")
        elif isinstance(item, list):
            lines.append(f"{indent}{key}:")
            for element in item:
                if isinstance(element, dict):
                    inner = yaml_lines(element, indent + "    ")
                    lines.append(indent + "  - " + inner[0][len(indent) + 4:])
                    lines += inner[1:]
                else:
                    lines.append(f"{indent}  - {scalar(element)}")
        else:
            lines.append(f"{indent}{key}: {scalar(item)}")
    return lines


def scalar(value):
    return str(value) if isinstance(value, int) else quoted(value)


def document(manifest_type, fields):
    header = f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{manifest_type}.{MANIFEST_VERSION}.schema.json\n\n"
    fields = dict(fields, ManifestType=manifest_type, ManifestVersion=MANIFEST_VERSION)
    return header + "\n".join(yaml_lines(fields)) + "\n"


def documents(product, identifier, values, url, sha256):
    common = {"PackageIdentifier": identifier, "PackageVersion": product["AppVersion"]}
    switches = {"Silent": "--headless", "SilentWithProgress": "--headless"}
    if product["userFolder"]:
        switches["InstallLocation"] = '--dir="<INSTALLPATH>"'
    switches["Log"] = '--log="<LOGPATH>"'

    installer = dict(common)
    installer.update({
        "InstallerType": "exe",
        "Scope": "machine",
        # A headless run never asks for rights itself: winget starts it elevated.
        "ElevationRequirement": "elevationRequired",
        "InstallModes": ["silent", "silentWithProgress"],
        "InstallerSwitches": switches,
        "UpgradeBehavior": "install",
        "ExpectedReturnCodes": [{"InstallerReturnCode": code, "ReturnResponse": response}
                                for code, response in RETURN_CODES],
        # What the installer writes to its registration, so that an installed copy is recognised.
        "AppsAndFeaturesEntries": [{"DisplayName": product["AppName"], "Publisher": product["CompanyName"],
                                    "DisplayVersion": product["AppVersion"],
                                    "ProductCode": "{" + product["AppUuid"] + "}"}],
        "Installers": [{"Architecture": "x64", "InstallerUrl": url, "InstallerSha256": sha256}],
    })

    locale = dict(common, PackageLocale=LOCALE, Publisher=values["Publisher"])
    if product["WebLink"]:
        locale["PublisherUrl"] = product["WebLink"]
    locale["PackageName"] = values["PackageName"]
    if product["WebLink"]:
        locale["PackageUrl"] = product["WebLink"]
    locale["License"] = values["License"]
    locale["ShortDescription"] = values["ShortDescription"]

    return {
        f"{identifier}.yaml": document("version", dict(common, DefaultLocale=LOCALE)),
        f"{identifier}.installer.yaml": document("installer", installer),
        f"{identifier}.locale.{LOCALE}.yaml": document("defaultLocale", locale),
    }


def write_all(folder, files):
    """Writes each file beside its final name first, so that a failed run leaves no half file."""
    os.makedirs(folder, exist_ok=True)
    written = []
    try:
        for name, text in files.items():
            descriptor, temporary = tempfile.mkstemp(prefix=name + ".", suffix=".tmp", dir=folder)
            written.append(temporary)
            with os.fdopen(descriptor, "w", encoding="utf-8", newline="\n") as f:
                f.write(text)
        for temporary, name in zip(written, files):
            os.replace(temporary, os.path.join(folder, name))
    finally:
        for temporary in written:
            if os.path.exists(temporary):
                os.remove(temporary)


def main():
    parser = argparse.ArgumentParser(description="Writes the package manager manifest of an installer.")
    parser.add_argument("--manifest", required=True, help="the product's Manifest.xml")
    parser.add_argument("--exe", required=True, help="the built installer")
    parser.add_argument("--out", required=True, help="the folder the three manifest files go to")
    parser.add_argument("--installer-url", help="where the installer will be downloaded from")
    parser.add_argument("--license", default="Proprietary")
    parser.add_argument("--short-description")
    args = parser.parse_args()

    try:
        product = read_product(args.manifest)
        values = {
            "Publisher": product["CompanyName"],
            "PackageName": product["AppName"],
            "License": args.license,
            "ShortDescription": args.short_description if args.short_description is not None
                                else f"{product['AppName']} by {product['CompanyName']}: audio plug-ins",
        }
        problems = []
        try:
            identifier = package_identifier(product["CompanyName"], product["AppName"])
        except Refusal as refusal:
            problems.append(str(refusal))
        problems += problems_of(product, values, [("WebLink", product["WebLink"]),
                                                  ("--installer-url", args.installer_url)])
        if args.installer_url == "":
            problems.append("--installer-url is empty")
        if problems:
            for problem in problems:
                print(f"error: {problem}", file=sys.stderr)
            return 1

        sha256 = sha256_of(args.exe)
        url = args.installer_url
        if url is None:
            url = "https://example.invalid/" + urllib.parse.quote(os.path.basename(args.exe))
            print(f"note: no --installer-url given; InstallerUrl is the placeholder {url}")
        write_all(args.out, documents(product, identifier, values, url, sha256))
    except Refusal as refusal:
        print(f"error: {refusal}", file=sys.stderr)
        return 1
    except OSError as error:
        print(f"error: cannot write the manifest into {args.out}: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
