#!/usr/bin/env bash
# Sets the machine up (first run, as root) and builds Installer.exe, the unit tests and the test
# installers into build/ (kept between runs; the build is incremental).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${INSTALLER_BUILD_DIR:-$root/build}

"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build" -j2
