#!/usr/bin/env bash
# Cross-builds static libpng and libjpeg-turbo for MinGW-w64 from Debian's source packages
# and installs them into the MinGW sysroot given as $1.
set -euo pipefail

prefix=$1
root=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    cat > /etc/apt/sources.list.d/installer-deb-src.sources <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    apt-get update -qq
fi

cd "$work"
apt-get source -qq -t bookworm libpng1.6 libjpeg-turbo >/dev/null 2>&1 || apt-get source -qq libpng1.6 libjpeg-turbo >/dev/null

png_src=$(find . -maxdepth 1 -type d -name 'libpng1.6-*' | head -n 1)
jpeg_src=$(find . -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)

echo "setup: building libpng for MinGW ($png_src)"
cmake -S "$png_src" -B png-build -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
      -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_FILES=ON >/dev/null
cmake --build png-build -j2 >/dev/null
cmake --install png-build >/dev/null

echo "setup: building libjpeg-turbo for MinGW ($jpeg_src)"
cmake -S "$jpeg_src" -B jpeg-build -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=0 \
      -DWITH_TURBOJPEG=0 >/dev/null
cmake --build jpeg-build -j2 --target jpeg-static >/dev/null
install -m 644 jpeg-build/libjpeg.a "$prefix/lib/libjpeg.a"
install -m 644 "$jpeg_src"/jpeglib.h "$jpeg_src"/jmorecfg.h "$jpeg_src"/jerror.h "$jpeg_src"/jpegint.h \
        jpeg-build/jconfig.h "$prefix/include/"
# JUCE includes jpeglib.h inside a namespace of its own; the boolean typedef must not hide behind
# the Windows RPC header guard, or the namespace never sees it.
python3 - "$prefix/include/jconfig.h" <<'PY'
import re, sys
path = sys.argv[1]
text = open(path).read()
text = re.sub(r'#ifndef __RPCNDR_H__[^\n]*\n(typedef unsigned char boolean;\n)#endif\n', r'\1', text)
if '__RPCNDR_H__' in text or 'typedef unsigned char boolean;' not in text:
    sys.exit('jconfig.h: unexpected definition of boolean')
open(path, 'w').write(text)
PY
