"""What a package manager manifest folder written for an installer must satisfy.

check_manifest_folder(folder) reads the three files of a multi-file manifest (version, installer,
default locale) and returns them parsed; any broken rule raises AssertionError naming the file and
the rule. The rules are those of the 1.6.0 manifest schema that the written manifests touch, and
the installer's own: its silent switches, its exit codes, its registration."""
import os
import re

import yaml

MANIFEST_VERSION = "1.6.0"
IDENTIFIER = re.compile(r'^[^.\s\\/:*?"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?"<>|\x01-\x1f]{1,32}){1,7}$')
VERSION = re.compile(r'^[^\\/:*?"<>|\x01-\x1f]+$')
LOCALE = re.compile(r"^([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*$")
URL = re.compile(r"^[Hh][Tt][Tt][Pp][Ss]?://.+$")
SHA256 = re.compile(r"^[0-9A-F]{64}$")
RETURN_RESPONSES = {
    "packageInUse", "packageInUseByApplication", "installInProgress", "fileInUse", "missingDependency", "diskFull",
    "insufficientMemory", "invalidParameter", "noNetwork", "contactSupport", "rebootRequiredToFinish",
    "rebootRequiredForInstall", "rebootInitiated", "cancelledByUser", "alreadyInstalled", "downgrade",
    "blockedByPolicy", "systemNotSupported", "custom",
}
REQUIRED = {
    "version": ["PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"],
    "installer": ["PackageIdentifier", "PackageVersion", "InstallerType", "Scope", "InstallModes",
                  "InstallerSwitches", "UpgradeBehavior", "ExpectedReturnCodes", "AppsAndFeaturesEntries",
                  "Installers", "ManifestType", "ManifestVersion"],
    "defaultLocale": ["PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PackageName", "License",
                      "ShortDescription", "ManifestType", "ManifestVersion"],
}
# Texts of the default locale: shortest and longest.
TEXT_LIMITS = {"Publisher": (2, 256), "PackageName": (2, 256), "License": (3, 512), "ShortDescription": (3, 256)}


def expect(condition, file, message):
    if not condition:
        raise AssertionError(f"{file}: {message}")


def text_of(file, document, key, shortest=1, longest=None):
    value = document.get(key)
    expect(isinstance(value, str), file, f"{key} is {value!r}, not text")
    expect(len(value) >= shortest and (longest is None or len(value) <= longest), file,
           f"{key} {value!r} has {len(value)} characters, not {shortest} to {longest or 'any'}")
    return value


def url_of(file, document, key):
    value = text_of(file, document, key, 1, 2048)
    expect(URL.match(value), file, f"{key} {value!r} is no http:// or https:// address")
    return value


def read(path):
    name = os.path.basename(path)
    with open(path, "rb") as f:
        data = f.read()
    expect(not data.startswith(b"\xef\xbb\xbf"), name, "begins with a byte order mark")
    expect(b"\r" not in data, name, "has a line end other than \\n")
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise AssertionError(f"{name}: is not UTF-8: {error}")
    try:
        document = yaml.safe_load(text)
    except yaml.YAMLError as error:
        raise AssertionError(f"{name}: is not YAML: {error}")
    expect(isinstance(document, dict), name, "is not a mapping")
    kind = document.get("ManifestType")
    expect(kind in REQUIRED, name, f"ManifestType {kind!r} is none of {sorted(REQUIRED)}")
    schema = f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{MANIFEST_VERSION}.schema.json"
    expect(text.split("\n", 1)[0] == schema, name, f"does not begin with {schema!r}")
    missing = [key for key in REQUIRED[kind] if key not in document]
    expect(not missing, name, f"lacks {', '.join(missing)}")
    expect(document["ManifestVersion"] == MANIFEST_VERSION, name,
           f"ManifestVersion is {document['ManifestVersion']!r}, not {MANIFEST_VERSION!r}")
    return kind, document


def check_installer(file, installer):
    expect(installer["InstallerType"] == "exe", file, f"InstallerType is {installer['InstallerType']!r}")
    expect(installer["Scope"] == "machine", file, f"Scope is {installer['Scope']!r}")
    expect(installer["InstallModes"] == ["silent", "silentWithProgress"], file,
           f"InstallModes are {installer['InstallModes']!r}")
    expect(installer["UpgradeBehavior"] == "install", file, f"UpgradeBehavior is {installer['UpgradeBehavior']!r}")

    switches = installer["InstallerSwitches"]
    expect(isinstance(switches, dict), file, "InstallerSwitches is not a mapping")
    unknown = set(switches) - {"Silent", "SilentWithProgress", "InstallLocation", "Log"}
    expect(not unknown, file, f"InstallerSwitches holds {sorted(unknown)}")
    for key, expected in (("Silent", "--headless"), ("SilentWithProgress", "--headless"),
                          ("Log", '--log="<LOGPATH>"')):
        expect(switches.get(key) == expected, file, f"InstallerSwitches {key} is {switches.get(key)!r}, not {expected!r}")
    if "InstallLocation" in switches:
        expect(switches["InstallLocation"] == '--dir="<INSTALLPATH>"', file,
               f"InstallerSwitches InstallLocation is {switches['InstallLocation']!r}")

    codes = installer["ExpectedReturnCodes"]
    expect(isinstance(codes, list) and codes, file, "ExpectedReturnCodes is no list of codes")
    seen = {}
    for entry in codes:
        expect(isinstance(entry, dict) and set(entry) <= {"InstallerReturnCode", "ReturnResponse", "ReturnResponseUrl"},
               file, f"the expected return code {entry!r} is no mapping of InstallerReturnCode and ReturnResponse")
        code, response = entry.get("InstallerReturnCode"), entry.get("ReturnResponse")
        expect(type(code) is int and code != 0 and -2147483648 <= code <= 4294967295, file,
               f"InstallerReturnCode {code!r} is no non-zero 32-bit exit code")
        expect(code not in seen, file, f"InstallerReturnCode {code} is listed twice")
        expect(response in RETURN_RESPONSES, file, f"ReturnResponse {response!r} of code {code} is not one of the schema's")
        seen[code] = response
    expect(seen.get(3010) == "rebootRequiredToFinish", file,
           f"code 3010 (restart needed) answers {seen.get(3010)!r}, not 'rebootRequiredToFinish'")

    installers = installer["Installers"]
    expect(isinstance(installers, list) and len(installers) == 1, file, "Installers is not a list of one installer")
    entry = installers[0]
    expect(entry.get("Architecture") == "x64", file, f"Architecture is {entry.get('Architecture')!r}, not 'x64'")
    url_of(file, entry, "InstallerUrl")
    sha256 = entry.get("InstallerSha256")
    expect(isinstance(sha256, str) and SHA256.match(sha256), file,
           f"InstallerSha256 {sha256!r} is not 64 upper-case hexadecimal digits")

    entries = installer["AppsAndFeaturesEntries"]
    expect(isinstance(entries, list) and len(entries) == 1, file, "AppsAndFeaturesEntries is not a list of one entry")
    registration = entries[0]
    for key in ("DisplayName", "Publisher"):
        text_of(file, registration, key, 1, 256)
    expect(registration.get("DisplayVersion") == installer["PackageVersion"], file,
           f"DisplayVersion {registration.get('DisplayVersion')!r} is not the package version")
    code = text_of(file, registration, "ProductCode", 3, 255)
    expect(code.startswith("{") and code.endswith("}"), file,
           f"ProductCode {code!r} is not the installer's registration key name in braces")


def check_locale(file, locale):
    for key, (shortest, longest) in TEXT_LIMITS.items():
        text_of(file, locale, key, shortest, longest)
    for key in ("PublisherUrl", "PackageUrl"):
        if key in locale:
            url_of(file, locale, key)


def check_manifest_folder(folder):
    """The version, installer and default locale documents of the manifest in folder, parsed."""
    names = sorted(os.listdir(folder))
    documents = {}
    for name in names:
        expect(name.endswith(".yaml"), name, "is no manifest file: the folder holds only the three manifest files")
        kind, document = read(os.path.join(folder, name))
        expect(kind not in documents, name, f"is a second {kind} file")
        documents[kind] = (name, document)
    missing = [kind for kind in REQUIRED if kind not in documents]
    expect(not missing, folder, f"has no {', '.join(missing)} file")

    version_name, version = documents["version"]
    identifier = text_of(version_name, version, "PackageIdentifier", 1, 128)
    expect(IDENTIFIER.match(identifier), version_name,
           f"PackageIdentifier {identifier!r} is not 2 to 8 dot-separated segments of 1 to 32 characters without "
           'blanks or \\ / : * ? " < > |')
    package_version = text_of(version_name, version, "PackageVersion", 1, 128)
    expect(VERSION.match(package_version), version_name, f"PackageVersion {package_version!r} holds a forbidden character")
    locale_tag = text_of(version_name, version, "DefaultLocale", 1, 20)
    expect(LOCALE.match(locale_tag), version_name, f"DefaultLocale {locale_tag!r} is no locale")

    expected_names = {"version": f"{identifier}.yaml", "installer": f"{identifier}.installer.yaml",
                      "defaultLocale": f"{identifier}.locale.{locale_tag}.yaml"}
    for kind, (name, document) in documents.items():
        expect(name == expected_names[kind], name, f"should be named {expected_names[kind]!r}")
        for key, value in (("PackageIdentifier", identifier), ("PackageVersion", package_version)):
            expect(document[key] == value, name, f"{key} {document[key]!r} differs from {value!r} of {version_name}")

    locale_name, locale = documents["defaultLocale"]
    expect(locale["PackageLocale"] == locale_tag, locale_name,
           f"PackageLocale {locale['PackageLocale']!r} is not the DefaultLocale {locale_tag!r}")
    check_locale(locale_name, locale)
    check_installer(*documents["installer"])
    return version, documents["installer"][1], locale
