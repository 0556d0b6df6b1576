#!/usr/bin/env bash
# Runs a Windows program in a fresh private Wine prefix (a copy of the test run's booted template),
# with a persistent wine server for the prefix, and removes the prefix afterwards.
#
#   tests/wine-run.sh PROGRAM.exe [ARGS...]
#
# Wine needs a display for the windows that JUCE's message loop creates, even in a headless run:
# without one the run goes under Xvfb.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

root=${INSTALLER_WINE_ROOT:-$(pwd)/wine}
template=$("$here/wine-template.sh" "$root")
run=$(mktemp -d "$root/run.XXXXXX")
cp -a "$template" "$run/prefix"

export WINEPREFIX="$run/prefix" WINEDEBUG=-all WINEARCH=win64
/usr/lib/wine/wineserver -p >/dev/null 2>&1 &
cleanup() { /usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$run"; }
trap cleanup EXIT

/usr/lib/wine/wine64 "$@"
