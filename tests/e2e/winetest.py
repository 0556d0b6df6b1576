"""Runs Windows programs in a fresh private Wine prefix and checks what they left, with Wine's own
reg, cmd and attrib."""
import os
import shutil
import subprocess
import tempfile
import time

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
TESTS_DIR = os.environ.get("INSTALLER_TESTS_DIR", os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))


class Prefix:
    """A copy of the test run's booted Wine prefix with a persistent wine server of its own."""

    def __init__(self, name):
        root = os.environ.get("INSTALLER_WINE_ROOT", os.path.join(os.getcwd(), "wine"))
        template = subprocess.run([os.path.join(TESTS_DIR, "wine-template.sh"), root],
                                  check=True, capture_output=True, text=True).stdout.strip()
        self.folder = tempfile.mkdtemp(prefix=name + ".", dir=root)
        self.path = os.path.join(self.folder, "prefix")
        subprocess.run(["cp", "-a", template, self.path], check=True)
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEDEBUG="-all", WINEARCH="win64")
        self.server = subprocess.Popen([WINESERVER, "-p"], env=self.env, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.c_drive = os.path.join(self.path, "drive_c")

    def close(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.server.wait(timeout=30)
        shutil.rmtree(self.folder, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _execute(self, command, timeout, stdin=None):
        # Output goes through files, not pipes: Wine's background processes (services, explorer)
        # inherit the handles and would keep a pipe open long after the program has ended.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run(command, env=self.env, stdout=out, stderr=err, timeout=timeout,
                                    input=stdin if stdin is not None else b"")
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(command, result.returncode, out.read(), err.read())

    def run(self, program, *args, timeout=300):
        """Runs a program; returns its exit code, standard output and wall time in seconds."""
        start = time.monotonic()
        result = self._execute([WINE, program, *args], timeout)
        return result.returncode, result.stdout.decode("utf-8", "replace"), time.monotonic() - start

    def spawn(self, program, *args):
        """Starts a program and returns at once: the process, and the file its output goes to."""
        out = tempfile.NamedTemporaryFile(dir=self.folder, prefix="output.", delete=False)
        process = subprocess.Popen([WINE, program, *args], env=self.env, stdin=subprocess.DEVNULL,
                                   stdout=out, stderr=subprocess.DEVNULL)
        out.close()
        return process, out.name

    def wine(self, *args, timeout=120, stdin=None):
        """Runs one of Wine's own programs (reg, cmd, attrib)."""
        return self._execute([WINE, *args], timeout, stdin)

    def unix(self, windows_path):
        """Where a C: path of the prefix lies on this machine."""
        assert windows_path[:3].upper() == "C:\\", windows_path
        return os.path.join(self.c_drive, *windows_path[3:].split("\\"))

    def reg_values(self, key):
        """The REG_SZ values of a key as Wine's reg shows them, or None when the key is missing."""
        result = self.wine("reg", "query", key)
        if result.returncode != 0:
            return None
        values = {}
        for line in result.stdout.decode("utf-8", "replace").splitlines():
            parts = line.strip().split("    ")
            if len(parts) >= 2 and parts[1] == "REG_SZ":
                values[parts[0]] = parts[2] if len(parts) > 2 else ""
        return values

    def attributes(self, windows_path):
        """The attribute letters Wine's attrib shows for a file."""
        out = self.wine("cmd", "/c", "attrib", windows_path).stdout.decode("utf-8", "replace")
        line = out.strip().splitlines()[0] if out.strip() else ""
        return set(line[:line.upper().find("C:\\")].replace(" ", "")) if "C:\\" in line.upper() else set()


def wait_until(condition, seconds, interval=0.25):
    """Polls a condition until it holds or the time is up; returns it."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(interval)
    return condition()


def lines_of(output):
    return [line.rstrip("\r") for line in output.split("\n")]


def assert_in_order(test, lines, expected):
    """Each expected line appears after the one before it."""
    position = 0
    for line in expected:
        try:
            position = lines.index(line, position) + 1
        except ValueError:
            test.fail(f"{line!r} missing or out of order in:\n" + "\n".join(lines))


def files_below(folder):
    found = []
    for root, _, names in os.walk(folder):
        for name in names:
            found.append(os.path.relpath(os.path.join(root, name), folder).replace(os.sep, "\\"))
    return sorted(found)


def link_target(lnk_path):
    """The local target path recorded in a shell link (.lnk) file."""
    import struct
    with open(lnk_path, "rb") as f:
        data = f.read()
    assert struct.unpack_from("<I", data, 0)[0] == 0x4C, "not a shell link"
    flags = struct.unpack_from("<I", data, 0x14)[0]
    offset = 0x4C
    if flags & 0x1:  # HasLinkTargetIDList
        offset += 2 + struct.unpack_from("<H", data, offset)[0]
    if flags & 0x2:  # HasLinkInfo
        info = offset
        header_size = struct.unpack_from("<I", data, info + 4)[0]
        if header_size >= 0x24:
            unicode_offset = struct.unpack_from("<I", data, info + 0x1C)[0]
            end = data.index(b"\0\0", info + unicode_offset)
            if (end - info - unicode_offset) % 2:
                end += 1
            return data[info + unicode_offset:end].decode("utf-16-le")
        base = struct.unpack_from("<I", data, info + 0x10)[0]
        return data[info + base:data.index(b"\0", info + base)].decode("mbcs" if os.name == "nt" else "latin-1")
    return None
