#!/usr/bin/env bash
# Boots a Wine prefix once below $1 and prints its path; tests copy it instead of booting their own
# (a boot takes about ten seconds, a copy a fraction of one).
set -euo pipefail

root=$1
template=$root/template
mkdir -p "$root"

(
    flock 9
    if [ ! -e "$template/.booted" ]; then
        rm -rf "$template"
        WINEPREFIX="$template" WINEDEBUG=-all WINEARCH=win64 /usr/lib/wine/wine64 wineboot -u >/dev/null 2>&1
        # Xvfb runs no window manager: Wine would wait two seconds for one at each window it
        # hides or destroys. Unmanaged windows are placed and removed at once.
        WINEPREFIX="$template" WINEDEBUG=-all /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' \
            /v Managed /d N /f >/dev/null 2>&1
        WINEPREFIX="$template" /usr/lib/wine/wineserver -w
        touch "$template/.booted"
    fi
) 9>"$root/.template.lock"

echo "$template"
