#!/usr/bin/env bash
# Builds the demo product's installer and runs it headless in a fresh private Wine prefix, then
# shows what it installed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${INSTALLER_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"

# Wine creates windows even for a run without any (JUCE's message loop needs one), so it needs a display.
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

"$root/scripts/build.sh"

prefix=$build/demo-wine
rm -rf "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEARCH=win64
echo "demo: preparing a fresh Wine prefix in $prefix"
/usr/lib/wine/wine64 wineboot -u >/dev/null 2>&1
/usr/lib/wine/wineserver -w

echo "demo: Installer.exe --headless"
echo
start=$(date +%s.%N)
set +e
/usr/lib/wine/wine64 "$build/Installer.exe" --headless
code=$?
set -e
end=$(date +%s.%N)
/usr/lib/wine/wineserver -w
echo
echo "demo: exit code $code, the headless install took $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", b - a }') s"
echo "demo: installed files"
for folder in "Program Files/Common Files/VST3" "Program Files/Common Files/Avid/Audio/Plug-Ins"; do
    (cd "$prefix/drive_c/$folder" && find . -mindepth 1 | sort | sed "s|^\./|  C:/$folder/|")
done
exit $code
