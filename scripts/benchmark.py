#!/usr/bin/env python3
"""Measures the installer on a realistic product: what building it costs, how big it is, and what
installing and uninstalling with it cost, next to Info-ZIP's unzip doing the same work.

    scripts/benchmark.py [--runs N] [--build-runs M] [--source TREE] [--work DIR]

Two products are made from binaries the setup step installs. The first holds Wine's own Windows
DLLs, least compressible first, split over two bundles until its Payload.zip is about 53 MB: the
size of product the installer is made for. The second holds a VST3 bundle of about 1 GB, the way
plug-ins carry their content: Wine's DLLs and the MinGW libraries, repeated. Their installers are
built in a build folder of their own under --work (JUCE is compiled there once, before anything
is timed). --source builds another checkout of this project with the same products, to compare
two versions.

Figures, each with min / median / max over the runs:
  build         configure + build of the product's installer, JUCE already compiled; peak memory
                of the largest process
  rebuild       the same after one byte of one bundle file changed
  size          Installer.exe against Payload.zip
  install       headless install in a private Wine prefix: peak resident memory of the process,
                and its peak anonymous memory (RssAnon: what it allocates itself, without the
                pages of the mapped executable)
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
import threading
import time
import zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
WINE_DLLS = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows"
TARGET_PAYLOAD = 53 * 1000 * 1000
LARGE_BUNDLE = 1000 * 1000 * 1000
MINGW_LIBS = "/usr/x86_64-w64-mingw32/lib"
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


def large_files(target):
    """Wine's DLLs and the MinGW libraries, as (source, name in the bundle), repeated until their
    size reaches target."""
    sources = []
    for folder in (WINE_DLLS, MINGW_LIBS):
        for name in sorted(os.listdir(folder)):
            path = os.path.join(folder, name)
            if os.path.isfile(path) and not os.path.islink(path) and os.path.getsize(path) > 0:
                sources.append(path)
    chosen, total, round_ = [], 0, 0
    while total < target:
        for path in sources:
            if total >= target:
                break
            chosen.append((path, f"Content {round_}/{os.path.basename(path)}"))
            total += os.path.getsize(path)
        round_ += 1
    return chosen


def make_product(folder, large=False):
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    if large:
        # One bundle of about a gigabyte, and a small second one.
        files = [(path, BUNDLES[0], "Contents/Resources/" + name) for path, name in large_files(LARGE_BUNDLE)]
        files += [(path, BUNDLES[1], "Contents/x64/" + os.path.basename(path)) for path in choose_files(2 * 1000 * 1000)]
    else:
        files = []
        for index, path in enumerate(choose_files(TARGET_PAYLOAD)):
            bundle = BUNDLES[index % 2]
            inner = "Contents/x86_64-win" if bundle.endswith(".vst3") else "Contents/x64"
            files.append((path, bundle, inner + "/" + os.path.basename(path)))
    for path, bundle, relative in files:
        destination = os.path.join(folder, "payload", bundle, relative)
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
        bundle_file = sorted(path for path in (os.path.join(r, n) for r, _, ns in os.walk(os.path.join(self.product, "payload", BUNDLES[0]))
                                               for n in ns) if os.path.getsize(path) > 0)[0]
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
        """Runs the program; returns (peak memory, peak anonymous memory, [(seconds since start, line)])."""
        wrapped, report = measured([WINE, *args])
        start = time.monotonic()
        process = subprocess.Popen(wrapped, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        sampler = AnonymousPeak(os.path.basename(args[0].replace("\\", "/")))
        sampler.start()
        lines = [(time.monotonic() - start, raw.decode("utf-8", "replace").rstrip("\r\n")) for raw in process.stdout]
        code = process.wait()
        sampler.stop()
        if code != 0:
            raise SystemExit(f"benchmark: {' '.join(args)} ended with {code}:\n" + "\n".join(l for _, l in lines))
        return peak_from(report), sampler.peak, lines


class AnonymousPeak(threading.Thread):
    """The largest RssAnon of the processes running the program, sampled every 20 ms: what the
    program allocates itself, without the mapped pages of its executable that the resident set
    also counts."""

    def __init__(self, program):
        super().__init__(daemon=True)
        self.program, self.peak, self.done = program.encode(), 0, threading.Event()

    def run(self):
        while not self.done.is_set():
            for pid in filter(str.isdigit, os.listdir("/proc")):
                try:
                    with open(f"/proc/{pid}/cmdline", "rb") as f:
                        if self.program not in f.read():
                            continue
                    with open(f"/proc/{pid}/status") as f:
                        for line in f:
                            if line.startswith("RssAnon:"):
                                self.peak = max(self.peak, int(line.split()[1]) * 1024)
                except OSError:
                    continue
            self.done.wait(0.02)

    def stop(self):
        self.done.set()
        self.join()


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


def measure(bench, product, label, runs, build_runs, no_builds, work):
    """Builds (unless told not to), installs and uninstalls one product; returns its figures."""
    bench.product = product
    figures = dict(label=label, builds=[], build_peaks=[], rebuilds=[], rebuild_peaks=[],
                   installs=[], anons=[], uninstalls=[], extractions=[], unzips=[])
    for run in range(0 if no_builds else build_runs):
        seconds, peak = bench.build_once()
        figures["builds"].append(seconds)
        figures["build_peaks"].append(peak)
        log(f"benchmark: {label}: build {run + 1}: {seconds:.1f} s, peak {peak / MIB:.0f} MiB")
    for run in range(0 if no_builds else build_runs):
        seconds, peak = bench.rebuild_once(run)
        figures["rebuilds"].append(seconds)
        figures["rebuild_peaks"].append(peak)
        log(f"benchmark: {label}: rebuild {run + 1}: {seconds:.1f} s, peak {peak / MIB:.0f} MiB")

    figures["payload"] = os.path.getsize(bench.payload())
    figures["exe"] = os.path.getsize(bench.exe)
    figures["pieces"] = len([n for n in os.listdir(os.path.dirname(bench.payload())) if ".corvoChunk" in n])

    with Prefix(os.path.join(work, "wine")) as prefix:
        # The installer is run from the prefix, as a user would from their Downloads folder.
        exe = "C:\\users\\Public\\Installer.exe"
        shutil.copyfile(bench.exe, prefix.unix(exe))
        for run in range(runs):
            peak, anon, lines = prefix.run(exe, "--headless")
            figures["installs"].append(peak)
            figures["anons"].append(anon)
            figures["extractions"].append(extraction_seconds(lines))
            figures["unzips"].append(unzip_seconds(bench.payload(), os.path.join(work, "unzip")))
            peak, _, lines = prefix.run(exe, "--uninstall", "--headless")
            figures["uninstalls"].append(peak)
            if any(os.path.exists(prefix.unix(f"{folder}/{bundle}")) for folder, bundle in zip(FOLDERS, BUNDLES)):
                raise SystemExit("benchmark: the uninstall left a bundle behind")
            log(f"benchmark: {label}: run {run + 1}: install peak {figures['installs'][-1] / MIB:.0f} MiB "
                f"(anonymous {anon / MIB:.0f} MiB), uninstall peak {peak / MIB:.0f} MiB, "
                f"extraction {figures['extractions'][-1]:.2f} s, unzip {figures['unzips'][-1]:.2f} s")
    return figures


def report(figures, unpacked, count):
    label = figures["label"]
    ratios = [e / u for e, u in zip(figures["extractions"], figures["unzips"])]
    log("")
    log(f"{label}: {count} files, {unpacked / MIB:.1f} MiB unpacked, Payload.zip {figures['payload'] / 1e6:.1f} MB "
        f"in {figures['pieces']} pieces")
    if figures["builds"]:
        log(f"  Building the installer (JUCE already compiled): {summary(figures['builds'], 's')}; "
            f"peak memory {summary(figures['build_peaks'], 'MiB', MIB, 0)}")
        log(f"  Rebuild after a one-byte change in one bundle:  {summary(figures['rebuilds'], 's')}; "
            f"peak memory {summary(figures['rebuild_peaks'], 'MiB', MIB, 0)}")
    log(f"  Installer.exe: {figures['exe'] / 1e6:.1f} MB = payload + {(figures['exe'] - figures['payload']) / 1e6:.1f} MB")
    log(f"  Headless install, peak memory:   {summary(figures['installs'], 'MiB', MIB, 0)}; "
        f"anonymous {summary(figures['anons'], 'MiB', MIB, 0)}")
    log(f"  Headless uninstall, peak memory: {summary(figures['uninstalls'], 'MiB', MIB, 0)}")
    log(f"  Extraction: installer {summary(figures['extractions'], 's', 1, 2)}; unzip {summary(figures['unzips'], 's', 1, 2)}; "
        f"ratio {summary(ratios, '', 1, 2)}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=5, help="install and uninstall runs of the first product (default 5)")
    parser.add_argument("--build-runs", type=int, default=3, help="builds and rebuilds of the first product (default 3)")
    parser.add_argument("--large-runs", type=int, default=2, help="install runs, builds and rebuilds of the 1 GB product (default 2)")
    parser.add_argument("--source", default=ROOT, help="the checkout to build (default: this one)")
    parser.add_argument("--work", default=os.path.join(ROOT, "build-bench"), help="work folder, kept between runs")
    parser.add_argument("--no-builds", action="store_true",
                        help="measure only the installers an earlier run built in --work (its products are kept)")
    args = parser.parse_args()

    if not os.environ.get("DISPLAY"):
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", sys.executable, *sys.argv])

    os.makedirs(args.work, exist_ok=True)
    products = [("54 MB product", os.path.join(args.work, "product"), False, args.runs, args.build_runs),
                ("1 GB product", os.path.join(args.work, "product-large"), True, args.large_runs, args.large_runs)]
    if not args.no_builds:
        for _, folder, large, _, _ in products:
            make_product(folder, large)
    bench = Bench(os.path.abspath(args.source), args.work, products[0][1])
    if not args.no_builds:
        bench.warm_up()

    results = []
    for label, folder, large, runs, build_runs in products:
        count = sum(len(ns) for _, _, ns in os.walk(os.path.join(folder, "payload")))
        unpacked = sum(os.path.getsize(os.path.join(r, n)) for r, _, ns in os.walk(os.path.join(folder, "payload")) for n in ns)
        log(f"benchmark: {label}: {count} files in two bundles, {unpacked / MIB:.1f} MiB unpacked")
        if args.no_builds and large:
            log("benchmark: --no-builds keeps one installer only: the 1 GB product is measured when it is built")
            break
        results.append((measure(bench, folder, label, runs, build_runs, args.no_builds, args.work), unpacked, count))

    for figures, unpacked, count in results:
        report(figures, unpacked, count)


if __name__ == "__main__":
    main()
