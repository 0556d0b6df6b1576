#!/usr/bin/env python3
"""Prepares the payload and licence resources of one product folder.

Writes into --out:
  Payload.zip                the product's ready Payload.zip, or its payload/ tree zipped: every
                             top-level folder X becomes the inner archive X.zip (entries X\\...,
                             backslash separators, no folder entries), every top-level file an entry
  Payload.zip.corvoChunkN    Payload.zip cut into consecutive 8 MiB pieces, N counting from 0
  EULA.html.zip              the licence as one deflated entry "EULA.html"
and prints the names of the pieces, one a line, in order.

Before anything is written, the manifest is checked against the payload: every object's objectPath
must be a relative path of plain file names ("Presets/Factory.zip") that names an entry of the payload, and its defaultInstallPath
an absolute folder on a drive or one below a folder placeholder. A product that breaks a rule fails
the build with one line per object, so that an installer that would install beside its bundles, or
delete outside them, is never made. --unchecked skips this, for test products that break the rules
on purpose.

Files are rewritten only when their content changes, so that the resource step that reads them
runs again only when the product really changed. Archives get a fixed time stamp for the same
reason.
"""
import argparse
import io
import os
import re
import sys
import xml.etree.ElementTree as ElementTree
import zipfile

PIECE_SIZE = 8 * 1024 * 1024
PIECE_PREFIX = "Payload.zip.corvoChunk"
STAMP = (2026, 1, 1, 12, 0, 0)
PLACEHOLDERS = ("C:/__userAppDataDir__", "C:/__commonAppDataDir__")
FORBIDDEN_IN_NAMES = set('\\/:*?"<>|')


def deflated_entry(name):
    info = zipfile.ZipInfo(name, STAMP)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.external_attr = 0o644 << 16
    return info


def payload_entry(name):
    """A top-level entry of the payload: an inner archive is stored as it is (it is compressed
    already, and the installer reads a stored one in place), anything else deflated."""
    info = deflated_entry(name)
    if name.lower().endswith(".zip"):
        info.compress_type = zipfile.ZIP_STORED
    return info


def files_below(folder):
    found = []
    for root, dirs, files in os.walk(folder):
        dirs.sort()
        for name in sorted(files):
            found.append(os.path.join(root, name))
    return found


def zip_folder(folder):
    top = os.path.basename(folder)
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for path in files_below(folder):
            relative = os.path.relpath(path, folder).replace(os.sep, "\\")
            with open(path, "rb") as f:
                archive.writestr(deflated_entry(top + "\\" + relative), f.read())
    return buffer.getvalue()


def pack_payload(tree, extras=()):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for name, path in extras:
            with open(path, "rb") as f:
                archive.writestr(payload_entry(name), f.read())
        for name in sorted(os.listdir(tree)):
            path = os.path.join(tree, name)
            if os.path.isdir(path):
                archive.writestr(payload_entry(name + ".zip"), zip_folder(path))
            else:
                with open(path, "rb") as f:
                    archive.writestr(payload_entry(name), f.read())
    return buffer.getvalue()


def add_to_payload(payload, extras):
    """A ready payload with files added as top-level entries; its own entries are kept as they are."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(io.BytesIO(payload)) as source, zipfile.ZipFile(buffer, "w") as archive:
        for info in source.infolist():
            archive.writestr(info, source.read(info))
        for name, path in extras:
            with open(path, "rb") as f:
                archive.writestr(payload_entry(name), f.read())
    return buffer.getvalue()


def is_plain_name(name):
    """One file name as Windows keeps it: no folder, drive or stream, nothing Windows would trim."""
    if not name or set(name) <= {".", " "} or name[-1] in ". ":
        return False
    return not any(c in FORBIDDEN_IN_NAMES or ord(c) < 32 for c in name)


def normalised(entry):
    return entry.replace("\\", "/")


def is_relative_path(path):
    """Plain names with "/" or "\\" between them, the last one still plain without a final .zip:
    nothing made from it can leave its destination."""
    parts = normalised(path).split("/")
    if path.lower().endswith(".zip"):
        parts.append(parts[-1][:-4])
    return all(is_plain_name(part) for part in parts)


def destination_problem(path):
    text = path.replace("\\", "/")
    for placeholder in PLACEHOLDERS:
        if text.startswith(placeholder):
            text = "C:/" + text[len(placeholder):]
    if re.search(r"__\w+__", text):
        return f"its defaultInstallPath \"{path}\" holds an unknown placeholder"
    if not re.match(r"^[A-Za-z]:/", text):
        return f"its defaultInstallPath \"{path}\" is neither an absolute folder nor below a placeholder"
    if any(part in (".", "..") or ":" in part for part in text[3:].split("/")):
        return f"its defaultInstallPath \"{path}\" leaves its folder"
    return None


def manifest_problems(manifest_path, payload):
    """Returns one line for every object of the manifest that breaks a rule, naming the object."""
    try:
        root = ElementTree.parse(manifest_path).getroot()
    except (ElementTree.ParseError, OSError) as error:
        return [f"{manifest_path} cannot be read: {error}"]
    with zipfile.ZipFile(io.BytesIO(payload)) as archive:
        entries = set(archive.namelist())

    problems = []
    objects = root.findall("./Objects/Object")
    if not objects:
        problems.append(f"{manifest_path} lists no object")
    for number, element in enumerate(objects, 1):
        label = f"object {number} \"{element.get('objectName', '')}\""
        path = element.get("objectPath", "")
        if not is_relative_path(path):
            problems.append(f"{label}: its objectPath \"{path}\" is not a relative path of plain file names")
        elif normalised(path) not in {normalised(entry) for entry in entries}:
            problems.append(f"{label}: its objectPath \"{path}\" names no entry of the payload")
        destination = element.get("defaultInstallPath", "")
        problem = destination_problem(destination) if destination else "it has no defaultInstallPath"
        if problem:
            problems.append(f"{label}: {problem}")
    return problems


# Where the placeholders lead on a typical machine, with a user name as long as Windows allows.
TYPICAL_FOLDERS = {"C:/__commonAppDataDir__": "C:\\ProgramData",
                   "C:/__userAppDataDir__": "C:\\Users\\" + "u" * 20 + "\\AppData\\Roaming"}
LONG_PATH = 260


def long_path_warnings(manifest_path, payload):
    """One line for every object whose longest installed path, in its default folder, reaches 260
    characters: the installer writes it, but many plug-in hosts cannot load a plug-in from there."""
    root = ElementTree.parse(manifest_path).getroot()
    warnings = []
    with zipfile.ZipFile(io.BytesIO(payload)) as archive:
        entries = set(archive.namelist())
        for element in root.findall("./Objects/Object"):
            path, destination = element.get("objectPath", ""), element.get("defaultInstallPath", "")
            if normalised(path) not in {normalised(entry) for entry in entries} or not destination or destination_problem(destination):
                continue
            for placeholder, typical in TYPICAL_FOLDERS.items():
                if destination.startswith(placeholder):
                    destination = typical + destination[len(placeholder):]
            folder = destination.replace("/", "\\").rstrip("\\")
            names = [path]
            if path.lower().endswith(".zip"):
                try:
                    with zipfile.ZipFile(io.BytesIO(archive.read(path))) as inner:
                        names = [name.replace("/", "\\") for name in inner.namelist()] or [path[:-4]]
                except zipfile.BadZipFile:
                    names = [path[:-4]]
            longest = max((folder + "\\" + name for name in names), key=len)
            if len(longest) >= LONG_PATH:
                warnings.append(f"warning: object \"{element.get('objectName', '')}\" installs {longest}, "
                                f"{len(longest)} characters long: many plug-in hosts cannot load a plug-in "
                                f"whose path passes {LONG_PATH - 1} characters")
    return warnings


def write_if_changed(path, data):
    if os.path.isfile(path):
        with open(path, "rb") as f:
            if f.read() == data:
                return
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    os.replace(path + ".tmp", path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--product", required=True)
    parser.add_argument("--eula", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--payload-tree", help="zip this folder instead of the product's payload/")
    parser.add_argument("--add", action="append", default=[], metavar="NAME=PATH",
                        help="add a file to the payload as a top-level entry")
    parser.add_argument("--pieces", type=int, help="the number of pieces the payload must make")
    parser.add_argument("--unchecked", action="store_true",
                        help="skip the manifest's checks (test products that break them on purpose)")
    args = parser.parse_args()

    ready = os.path.join(args.product, "Payload.zip")
    tree = args.payload_tree or os.path.join(args.product, "payload")
    extras = [item.split("=", 1) for item in args.add]
    if os.path.isfile(ready) and not args.payload_tree:
        with open(ready, "rb") as f:
            payload = f.read()
        if extras:
            payload = add_to_payload(payload, extras)
    elif os.path.isdir(tree):
        payload = pack_payload(tree, extras)
    else:
        sys.exit(f"{args.product} holds neither Payload.zip nor payload/")

    if not args.unchecked:
        problems = manifest_problems(os.path.join(args.product, "Manifest.xml"), payload)
        if problems:
            sys.exit("\n".join([f"The product in {args.product} cannot be built:"] + problems))

        for warning in long_path_warnings(os.path.join(args.product, "Manifest.xml"), payload):
            print(warning, file=sys.stderr)

    os.makedirs(args.out, exist_ok=True)
    write_if_changed(os.path.join(args.out, "Payload.zip"), payload)

    pieces = []
    for offset in range(0, len(payload), PIECE_SIZE):
        name = PIECE_PREFIX + str(len(pieces))
        write_if_changed(os.path.join(args.out, name), payload[offset:offset + PIECE_SIZE])
        pieces.append(name)
    if args.pieces is not None and len(pieces) != args.pieces:
        sys.exit(f"the payload makes {len(pieces)} pieces where {args.pieces} were declared")
    for name in os.listdir(args.out):
        if name.startswith(PIECE_PREFIX) and name not in pieces:
            os.remove(os.path.join(args.out, name))

    with open(args.eula, "rb") as f:
        eula = io.BytesIO()
        with zipfile.ZipFile(eula, "w") as archive:
            archive.writestr(deflated_entry("EULA.html"), f.read())
    write_if_changed(os.path.join(args.out, "EULA.html.zip"), eula.getvalue())

    print("\n".join(pieces))


if __name__ == "__main__":
    main()
