#!/usr/bin/env bash
# Builds everything and runs all tests: the unit tests and the end-to-end tests, each in a fresh
# private Wine prefix, under one virtual display.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${INSTALLER_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

"$root/scripts/build.sh"

rm -rf "$build/wine"
cd "$build"
ctest --output-on-failure -j2 "$@"
