#!/usr/bin/env python3
"""Measures the installer on a realistic product: what building it costs, how big it is, and what
installing and uninstalling with it cost, next to Info-ZIP's unzip doing the same work.

    scripts/benchmark.py [--runs N] [--build-runs M] [--source TREE] [--work DIR]

The product is made from binaries the setup step installs (Wine's own Windows DLLs, least
compressible first), split over two bundles, until its Payload.zip is about 53 MB: the size of
product the installer is made for. Its installer is built in a build folder of its own under
--work (JUCE is compiled there once, before anything is timed). --source builds another checkout
of this project with the same product, to compare two versions.

Figures, each with min / median / max over the runs:
  build         configure + build of the product's installer, JUCE already compiled; peak memory
                of the largest process
  rebuild       the same after one byte of one bundle file changed
  size          Installer.exe against Payload.zip
  install       headless install in a private Wine prefix: peak memory of the process
  uninstall     headless uninstall of what the install put there: peak memory
  extraction    the install's own work (its fixed pauses taken out), against unzip extracting
                Payload.zip and then each inner archive, timed in the same loop
This is a measurement, not a test: it asserts nothing.
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import time
import zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
WINE_DLLS = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows"
TARGET_PAYLOAD = 53 * 1000 * 1000
APP = "Bench"
BUNDLES = ("Tarrow Audio - Bench.vst3", "Tarrow Audio - Bench.aaxplugin")
FOLDERS = ("C:/Program Files/Common Files/VST3", "C:/Program Files/Common Files/Avid/Audio/Plug-Ins")
MIB = 1024 * 1024



def engine_pause(name):
    """One of the procedures' fixed pauses (milliseconds), as the engine declares it."""
    with open(os.path.join(ROOT, "engine", "Pauses.h")) as f:
        match = re.search(r"constexpr int " + name + r" = (\d+);", f.read())
    if match is None:
        raise SystemExit(f"benchmark: engine/Pauses.h declares no pause {name}")
    return int(match.group(1))


# The install's fixed pauses: one before the payload is read, one before each object.
PAUSE_BEFORE_PAYLOAD = engine_pause("beforePayload")
PAUSE_PER_OBJECT = engine_pause("perObject")

MANIFEST = """<?xml version="1.0" encoding="UTF-8"?>
<Manifest AppName="{app}" AppVersion="1.0.0" AppUuid="0b1e2c3d4e5f40718293a4b5c6d7e8f9" CompanyName="Tarrow Audio" WebLink="">
  <Objects>
    <Object objectName="{b0}" isMainApplication="true" objectPath="{b0}.zip" visible="1" installationOptional="1" defaultSelection="1" defaultInstallPath="{f0}" createUninstallBatScript="true"/>
    <Object objectName="{b1}" objectPath="{b1}.zip" visible="1" installationOptional="1" defaultSelection="1" defaultInstallPath="{f1}"/>
  </Objects>
  <PostRun/>
</Manifest>
"""


def log(text):
    print(text, flush=True)


# Starts a command and writes the peak resident memory of its largest process (the command or one
# of the processes it waited for) to a file. A process started straight from this script would
# count the script's own memory: Linux gives a new program the peak of the process it replaced.
MEASURE = """
import os, subprocess, sys
process = subprocess.Popen(sys.argv[2:])
_, status, usage = os.wait4(process.pid, 0)
with open(sys.argv[1], "w") as f:
    f.write(str(usage.ru_maxrss * 1024))
sys.exit(os.waitstatus_to_exitcode(status))
"""


def measured(command):
    """The command, started so that its peak memory is written to the returned file."""
    report = os.path.join(os.environ.get("TMPDIR", "/tmp"), f"benchmark-peak-{os.getpid()}")
    return [sys.executable, "-c", MEASURE, report, *command], report


def peak_from(report):
    with open(report) as f:
        peak = int(f.read())
    os.remove(report)
    return peak


def run_measured(command, **kwargs):
    """Runs a command; returns (seconds, peak resident memory in bytes of its largest process)."""
    wrapped, report = measured(command)
    start = time.monotonic()
    code = subprocess.run(wrapped, **kwargs).returncode
    elapsed = time.monotonic() - start
    if code != 0:
        raise SystemExit(f"benchmark: {' '.join(command)} failed with {code}")
    return elapsed, peak_from(report)


def choose_files(target):
    """Wine's DLLs, least compressible first, until their deflated size reaches target."""
    candidates = []
    for name in sorted(os.listdir(WINE_DLLS)):
        path = os.path.join(WINE_DLLS, name)
        if os.path.isfile(path) and not os.path.islink(path):
            with open(path, "rb") as f:
                sample = f.read(256 * 1024)
            candidates.append((len(zlib.compress(sample, 1)) / max(1, len(sample)), name, path))
    candidates.sort(key=lambda c: (-c[0], c[1]))

    chosen, packed = [], 0
    for _, name, path in candidates:
        if packed >= target:
            break
        with open(path, "rb") as f:
            packer = zlib.compressobj(6, zlib.DEFLATED, -15)
            packed += len(packer.compress(f.read()) + packer.flush()) + 2 * (46 + len(name) + 60)
        chosen.append(path)
    return chosen


def make_product(folder):
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    files = choose_files(TARGET_PAYLOAD)
    for index, path in enumerate(files):
        bundle = BUNDLES[index % 2]
        inner = "Contents/x86_64-win" if bundle.endswith(".vst3") else "Contents/x64"
        destination = os.path.join(folder, "payload", bundle, inner, os.path.basename(path))
        os.makedirs(os.path.dirname(destination), exist_ok=True)
        shutil.copyfile(path, destination)
    with open(os.path.join(folder, "Manifest.xml"), "w") as f:
        f.write(MANIFEST.format(app=APP, b0=BUNDLES[0], b1=BUNDLES[1], f0=FOLDERS[0], f1=FOLDERS[1]))
    unpacked = sum(os.path.getsize(os.path.join(r, n)) for r, _, ns in os.walk(os.path.join(folder, "payload")) for n in ns)
    return len(files), unpacked


def summary(values, unit, scale=1.0, digits=1):
    values = [v / scale for v in values]
    return (f"min {min(values):.{digits}f} / median {statistics.median(values):.{digits}f} / "
            f"max {max(values):.{digits}f} {unit}")


class Bench:
    def __init__(self, source, work, product):
        self.source, self.work, self.product = source, work, product
        self.build = os.path.join(work, "build")
        self.exe = os.path.join(self.build, "Installer.exe")

    def configure(self):
        return ["cmake", "-S", self.source, "-B", self.build, "-DCMAKE_BUILD_TYPE=Release",
                "-DINSTALLER_BUILD_TESTS=OFF", f"-DINSTALLER_PRODUCT_DIR={self.product}"]

    def warm_up(self):
        log("benchmark: building JUCE and the installer's libraries once (not timed)")
        subprocess.run(self.configure(), check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", self.build, "-j2"], check=True, stdout=subprocess.DEVNULL)

    def forget_product(self):
        """Removes everything made for the product itself, and nothing else."""
        for relative in ("products", "Installer_resources", "CMakeFiles/Installer.dir",
                         "CMakeFiles/Installer_resources.dir", "Installer.exe"):
            path = os.path.join(self.build, relative)
            if os.path.isdir(path):
                shutil.rmtree(path)
            elif os.path.exists(path):
                os.remove(path)

    def build_once(self):
        self.forget_product()
        quiet = dict(stdout=subprocess.DEVNULL)
        configured, configure_peak = run_measured(self.configure(), **quiet)
        built, build_peak = run_measured(["cmake", "--build", self.build, "-j2", "--target", "Installer"], **quiet)
        return configured + built, max(configure_peak, build_peak)

    def rebuild_once(self, run):
        bundle_file = sorted(os.path.join(r, n) for r, _, ns in os.walk(os.path.join(self.product, "payload", BUNDLES[0])) for n in ns)[0]
        with open(bundle_file, "r+b") as f:
            f.seek(-1, os.SEEK_END)
            last = f.read(1)[0]
            f.seek(-1, os.SEEK_END)
            f.write(bytes([last ^ (1 + run % 255)]))
        return run_measured(["cmake", "--build", self.build, "-j2", "--target", "Installer"], stdout=subprocess.DEVNULL)

    def payload(self):
        return os.path.join(self.build, "products", "Installer", "Payload.zip")


class Prefix:
    def __init__(self, folder):
        self.folder = folder
        self.env = dict(os.environ, WINEPREFIX=folder, WINEDEBUG="-all", WINEARCH="win64")

    def __enter__(self):
        if os.path.isdir(self.folder):
            shutil.rmtree(self.folder)
        subprocess.run([WINE, "wineboot", "-u"], env=self.env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=self.env, check=True)
        self.server = subprocess.Popen([WINESERVER, "-p", "-f"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
        return self

    def __exit__(self, *_):
        subprocess.run([WINESERVER, "-k"], env=self.env, stderr=subprocess.DEVNULL)
        self.server.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def unix(self, windows_path):
        return os.path.join(self.folder, "drive_c", windows_path[3:].replace("\\", "/"))

    def run(self, *args):
        """Runs the program; returns (peak memory, [(seconds since start, line)])."""
        wrapped, report = measured([WINE, *args])
        start = time.monotonic()
        process = subprocess.Popen(wrapped, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        lines = [(time.monotonic() - start, raw.decode("utf-8", "replace").rstrip("\r\n")) for raw in process.stdout]
        code = process.wait()
        if code != 0:
            raise SystemExit(f"benchmark: {' '.join(args)} ended with {code}:\n" + "\n".join(l for _, l in lines))
        return peak_from(report), lines


def extraction_seconds(lines):
    """From the install's own lines: the header to the last object's success, pauses taken out."""
    header = next(t for t, line in lines if line.startswith(f"Installing {APP} v"))
    done = [t for t, line in lines if line.strip() == ">> Success!"]
    if len(done) != len(BUNDLES):
        raise SystemExit("benchmark: the install did not report every object:\n" + "\n".join(l for _, l in lines))
    return done[-1] - header - (PAUSE_BEFORE_PAYLOAD + PAUSE_PER_OBJECT * len(BUNDLES)) / 1000


def unzip_seconds(payload, folder):
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    os.makedirs(folder)
    start = time.monotonic()
    # Exit code 1 is unzip's warning that the entry names use backslashes, which it then follows.
    if subprocess.run(["unzip", "-q", "-o", payload, "-d", folder], stderr=subprocess.DEVNULL).returncode > 1:
        raise SystemExit("benchmark: unzip failed on " + payload)
    for name in sorted(os.listdir(folder)):
        inner = os.path.join(folder, name)
        if name.endswith(".zip"):
            if subprocess.run(["unzip", "-q", "-o", inner, "-d", folder], stderr=subprocess.DEVNULL).returncode > 1:
                raise SystemExit("benchmark: unzip failed on " + inner)
            os.remove(inner)
    elapsed = time.monotonic() - start
    shutil.rmtree(folder)
    return elapsed


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=5, help="install and uninstall runs (default 5)")
    parser.add_argument("--build-runs", type=int, default=3, help="builds and rebuilds (default 3)")
    parser.add_argument("--source", default=ROOT, help="the checkout to build (default: this one)")
    parser.add_argument("--work", default=os.path.join(ROOT, "build-bench"), help="work folder, kept between runs")
    parser.add_argument("--no-builds", action="store_true",
                        help="measure only the installer an earlier run built in --work (its product is kept)")
    args = parser.parse_args()

    if not os.environ.get("DISPLAY"):
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", sys.executable, *sys.argv])

    os.makedirs(args.work, exist_ok=True)
    product = os.path.join(args.work, "product")
    if args.no_builds:
        count = sum(len(ns) for _, _, ns in os.walk(os.path.join(product, "payload")))
        unpacked = sum(os.path.getsize(os.path.join(r, n)) for r, _, ns in os.walk(os.path.join(product, "payload")) for n in ns)
    else:
        count, unpacked = make_product(product)
    log(f"benchmark: product of {count} Wine DLLs in two bundles, {unpacked / MIB:.1f} MiB unpacked")

    bench = Bench(os.path.abspath(args.source), args.work, product)
    if not args.no_builds:
        bench.warm_up()

    builds, build_peaks, rebuilds, rebuild_peaks = [], [], [], []
    for run in range(0 if args.no_builds else args.build_runs):
        seconds, peak = bench.build_once()
        builds.append(seconds)
        build_peaks.append(peak)
        log(f"benchmark: build {run + 1}: {seconds:.1f} s, peak {peak / MIB:.0f} MiB")
    for run in range(0 if args.no_builds else args.build_runs):
        seconds, peak = bench.rebuild_once(run)
        rebuilds.append(seconds)
        rebuild_peaks.append(peak)
        log(f"benchmark: rebuild {run + 1}: {seconds:.1f} s, peak {peak / MIB:.0f} MiB")

    payload_size = os.path.getsize(bench.payload())
    exe_size = os.path.getsize(bench.exe)
    pieces = len([n for n in os.listdir(os.path.dirname(bench.payload())) if ".corvoChunk" in n])

    installs, uninstalls, extractions, unzips = [], [], [], []
    with Prefix(os.path.join(args.work, "wine")) as prefix:
        # The installer is run from the prefix, as a user would from their Downloads folder.
        exe = "C:\\users\\Public\\Installer.exe"
        shutil.copyfile(bench.exe, prefix.unix(exe))
        for run in range(args.runs):
            peak, lines = prefix.run(exe, "--headless")
            installs.append(peak)
            extractions.append(extraction_seconds(lines))
            unzips.append(unzip_seconds(bench.payload(), os.path.join(args.work, "unzip")))
            peak, lines = prefix.run(exe, "--uninstall", "--headless")
            uninstalls.append(peak)
            if any(os.path.exists(prefix.unix(f"{folder}/{bundle}")) for folder, bundle in zip(FOLDERS, BUNDLES)):
                raise SystemExit("benchmark: the uninstall left a bundle behind")
            log(f"benchmark: run {run + 1}: install peak {installs[-1] / MIB:.0f} MiB, uninstall peak {peak / MIB:.0f} MiB, "
                f"extraction {extractions[-1]:.2f} s, unzip {unzips[-1]:.2f} s")

    ratios = [e / u for e, u in zip(extractions, unzips)]
    log("")
    log(f"Product: {unpacked / MIB:.1f} MiB unpacked, Payload.zip {payload_size / 1e6:.1f} MB in {pieces} pieces")
    if builds:
        log(f"Building the installer (JUCE already compiled): {summary(builds, 's')}; peak memory {summary(build_peaks, 'MiB', MIB, 0)}")
        log(f"Rebuild after a one-byte change in one bundle:  {summary(rebuilds, 's')}; peak memory {summary(rebuild_peaks, 'MiB', MIB, 0)}")
    log(f"Installer.exe: {exe_size / 1e6:.1f} MB = payload + {(exe_size - payload_size) / 1e6:.1f} MB "
        f"({exe_size / payload_size:.2f} x the payload)")
    log(f"Headless install, peak memory:   {summary(installs, 'MiB', MIB, 0)}")
    log(f"Headless uninstall, peak memory: {summary(uninstalls, 'MiB', MIB, 0)}")
    log(f"Extraction: installer {summary(extractions, 's', 1, 2)}; unzip {summary(unzips, 's', 1, 2)}; "
        f"ratio {summary(ratios, '', 1, 2)}")


if __name__ == "__main__":
    main()
