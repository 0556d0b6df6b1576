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
        WINEPREFIX="$template" /usr/lib/wine/wineserver -w
        touch "$template/.booted"
    fi
) 9>"$root/.template.lock"

echo "$template"
