#!/usr/bin/env python3
"""Writes a named resource table whose bytes the assembler takes from the files themselves.

    embed_resources.py --namespace NAME --out FOLDER FILE...

Writes into FOLDER:
  NAME.h        the table's interface: one data pointer and one size per resource, the lists of
                identifiers and source file names, and the lookups by identifier
  NAME.cpp      the lists and the lookups
  NAME_K.s      resource K (from 0): ".incbin" of the file, a 0 byte after it that its size does
                not count, and its size, in the read-only data section

Identifiers are made from the file names as the JUCE resource generator makes them: blanks and dots
become "_", every character other than ASCII letters, digits and "_" is dropped, a leading digit
gets a "_" in front, and a name already taken gets a number (2, 3, ...). The lookup hashes the
name's bytes (hash = hash * 31 + byte, 32-bit, bytes signed) and answers by the hash, as that
generator's does.

Only the names of the files are read, never their content, so the table can be written before the
files exist (a payload made at build time). A file's content reaches the executable through the
assembler alone: the build assembles NAME_K.s again when file K changes, and nothing else. Each
output is rewritten only when its text changes.
"""
import argparse
import os
import re
import sys

CPP_KEYWORDS = {
    "alignas", "alignof", "and", "and_eq", "asm", "auto", "bitand", "bitor", "bool", "break", "case", "catch",
    "char", "char16_t", "char32_t", "class", "compl", "const", "constexpr", "const_cast", "continue", "decltype",
    "default", "delete", "do", "double", "dynamic_cast", "else", "enum", "explicit", "export", "extern", "false",
    "float", "for", "friend", "goto", "if", "inline", "int", "long", "mutable", "namespace", "new", "noexcept",
    "not", "not_eq", "nullptr", "operator", "or", "or_eq", "private", "protected", "public", "register",
    "reinterpret_cast", "return", "short", "signed", "sizeof", "static", "static_assert", "static_cast", "struct",
    "switch", "template", "this", "thread_local", "throw", "true", "try", "typedef", "typeid", "typename", "union",
    "unsigned", "using", "virtual", "void", "volatile", "wchar_t", "while", "xor", "xor_eq",
}


def identifier_of(filename, taken):
    name = re.sub(r"[^A-Za-z0-9_]", "", filename.replace(" ", "_").replace(".", "_"))
    if not name:
        name = "unknown"
    if name[0].isdigit():
        name = "_" + name
    if name in CPP_KEYWORDS:
        name += "_"
    if name in taken:
        suffix = 2
        while f"{name}{suffix}" in taken:
            suffix += 1
        name = f"{name}{suffix}"
    taken.add(name)
    return name


def name_hash(text):
    value = 0
    for byte in text.encode("utf-8"):
        signed = byte - 256 if byte > 127 else byte
        value = (value * 31 + signed) & 0xffffffff
    return value


def c_string(text):
    return '"' + "".join(chr(b) if 32 <= b < 127 and chr(b) not in '"\\?' else "\\%03o" % b
                         for b in text.encode("utf-8")) + '"'


def c_list(name, texts):
    # An array may not be empty: a table without resources holds one null pointer it never counts.
    items = [f"        {c_string(t)}," for t in texts] or ["        nullptr"]
    return [f"    const char* {name}[] =", "    {", *items, "    };", ""]


def write_if_changed(path, text):
    if os.path.isfile(path):
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    with open(path + ".tmp", "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    os.replace(path + ".tmp", path)


def assembly(symbol, path):
    quoted = path.replace("\\", "\\\\").replace('"', '\\"')
    return (f"# {os.path.basename(path)}: its bytes, a 0 byte after them, and their number.\n"
            f"    .section .rdata,\"dr\"\n"
            f"    .balign 16\n"
            f"    .globl {symbol}\n"
            f"{symbol}:\n"
            f"    .incbin \"{quoted}\"\n"
            f"{symbol}_end:\n"
            f"    .byte 0\n"
            f"    .balign 4\n"
            f"    .globl {symbol}_size\n"
            f"{symbol}_size:\n"
            f"    .long {symbol}_end - {symbol}\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--namespace", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("files", nargs="*")
    args = parser.parse_args()

    namespace = args.namespace
    os.makedirs(args.out, exist_ok=True)

    taken = set()
    entries = []
    for index, path in enumerate(args.files):
        filename = os.path.basename(path)
        entries.append((identifier_of(filename, taken), filename, f"corvo_{namespace}_{index}", os.path.abspath(path)))

    hashes = {}
    for identifier, _, _, _ in entries:
        value = name_hash(identifier)
        if value in hashes:
            sys.exit(f"embed_resources: {identifier} and {hashes[value]} have the same hash; rename one of the files")
        hashes[value] = identifier

    header = ["// Generated: the resources embedded in this executable.", "#pragma once", "", f"namespace {namespace}", "{"]
    for identifier, _, _, _ in entries:
        header.append(f"    extern const char* {identifier};")
        header.append(f"    extern const int {identifier}Size;")
        header.append("")
    header += [
        f"    const int namedResourceListSize = {len(entries)};",
        "    extern const char* namedResourceList[];",
        "    extern const char* originalFilenames[];",
        "",
        "    /** The bytes of the resource with this identifier and their number, or a null pointer and 0. */",
        "    const char* getNamedResource (const char* resourceNameUTF8, int& dataSizeInBytes);",
        "",
        "    /** The source file name of the resource with this identifier, or a null pointer. */",
        "    const char* getNamedResourceOriginalFilename (const char* resourceNameUTF8);",
        "}",
        "",
    ]

    source = [f"// Generated: the table of the resources that {namespace}_K.s embed.", f'#include "{namespace}.h"', "",
              "#include <cstring>", "", 'extern "C"', "{"]
    for _, _, symbol, _ in entries:
        source.append(f"    extern const char {symbol}[];")
        source.append(f"    extern const int {symbol}_size;")
    source += ["}", "", f"namespace {namespace}", "{"]
    for identifier, _, symbol, _ in entries:
        source.append(f"    const char* {identifier} = {symbol};")
        source.append(f"    const int {identifier}Size = {symbol}_size;")
    source.append("")
    source += c_list("namedResourceList", [identifier for identifier, _, _, _ in entries])
    source += c_list("originalFilenames", [filename for _, filename, _, _ in entries])
    source += [
        "    const char* getNamedResource (const char* resourceNameUTF8, int& numBytes)",
        "    {",
        "        unsigned int hash = 0;",
        "",
        "        if (resourceNameUTF8 != nullptr)",
        "            while (*resourceNameUTF8 != 0)",
        "                hash = 31 * hash + (unsigned int) (signed char) *resourceNameUTF8++;",
        "",
        "        switch (hash)",
        "        {",
    ]
    for identifier, _, symbol, _ in entries:
        source.append(f"            case 0x{name_hash(identifier):08x}u:  numBytes = {symbol}_size; return {symbol};")
    source += [
        "            default: break;",
        "        }",
        "",
        "        numBytes = 0;",
        "        return nullptr;",
        "    }",
        "",
        "    const char* getNamedResourceOriginalFilename (const char* resourceNameUTF8)",
        "    {",
        "        if (resourceNameUTF8 == nullptr)",
        "            return nullptr;",
        "",
        "        for (int i = 0; i < namedResourceListSize; ++i)",
        "            if (std::strcmp (namedResourceList[i], resourceNameUTF8) == 0)",
        "                return originalFilenames[i];",
        "",
        "        return nullptr;",
        "    }",
        "}",
        "",
    ]

    write_if_changed(os.path.join(args.out, f"{namespace}.h"), "\n".join(header))
    write_if_changed(os.path.join(args.out, f"{namespace}.cpp"), "\n".join(source))
    for index, (_, _, symbol, path) in enumerate(entries):
        write_if_changed(os.path.join(args.out, f"{namespace}_{index}.s"), assembly(symbol, path))


if __name__ == "__main__":
    main()
