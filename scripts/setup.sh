#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine. Run as root.
# A second run finds everything in place and returns in a second or two.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
packages=(
    cmake make python3 zip unzip dpkg-dev
    g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
    juce-modules-source googletest
    wine64 wine
    fonts-roboto-unhinted
    xvfb xauth xdotool imagemagick
    osslsigncode openssl
)
deps_prefix=/usr/x86_64-w64-mingw32
stamp=$deps_prefix/lib/.installer-image-libs-1

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done

if [ "$(id -u)" -ne 0 ] && { [ ${#missing[@]} -gt 0 ] || [ ! -e "$stamp" ]; }; then
    echo "setup: run as root to install: ${missing[*]:-} (image libraries for MinGW)" >&2
    exit 1
fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ ! -e "$stamp" ]; then
    "$here/build-image-libs.sh" "$deps_prefix"
    touch "$stamp"
fi
echo "setup: ready"
