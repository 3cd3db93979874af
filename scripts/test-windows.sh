#!/bin/sh
# The Windows leg of the test suite: cross-builds with mingw-w64 and runs every test program as a
# Windows executable under Wine, in a fresh Wine prefix that is thrown away afterwards. Also checks
# that a 32-bit build compiles and links (Debian's Wine runs 64-bit programs only).
#
#   scripts/test-windows.sh [build-dir]      (default: build-windows; the 32-bit build goes to
#                                             <build-dir>-i686; SKIP_I686=1 leaves it out)
#
# Last, scripts/check-windows-tool.sh holds vurerode.exe against the native tool.
#
# Needs: g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 googletest (sources in
# /usr/src/googletest) and, for the peer checks, liblnk-utils; for the windows, xvfb and fonts-wine
# (the GUI step starts its own virtual display; the rest needs none).
set -eu

src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build-windows}
jobs=${JOBS:-2}
wine=${WINE:-/usr/bin/wine}

cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-mingw-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CROSSCOMPILING_EMULATOR="$wine"
cmake --build "$build" -j "$jobs"

if [ "${SKIP_I686:-0}" != 1 ]; then
  cmake -S "$src" -B "$build-i686" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$build-i686" -j "$jobs"
fi

# A prefix of our own for this run only, without the Mono and Gecko installers (they would want a
# display) and without any X display at all.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vurerode-wine.XXXXXX")
WINEPREFIX=$scratch/prefix
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
# Tests that change the prefix's own settings (importing a whole sandbox registry) run only here.
VURERODE_SCRATCH_PREFIX=1
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES VURERODE_SCRATCH_PREFIX
unset DISPLAY WAYLAND_DISPLAY || true
finish() {
  wineserver -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap finish EXIT INT TERM

mkdir -p "$WINEPREFIX"
# Kept between the test programs, but not forever: `wineserver -w` below must see it end.
wineserver -p5
"$wine" wineboot --init >/dev/null 2>&1 || true
"$wine" cmd /c exit 0 >/dev/null 2>&1  # warm-up: the first start creates the prefix's services

status=0
ctest --test-dir "$build" --output-on-failure || status=$?

# vurerode.exe against the native tool, which is built for this machine when NATIVE_VURERODE does
# not name one.
native_tool=${NATIVE_VURERODE:-}
if [ -z "$native_tool" ] || [ ! -x "$native_tool" ]; then
  cmake -S "$src" -B "$build-host" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVURERODE_TESTS=OFF -DVURERODE_BENCH=OFF \
    >/dev/null
  cmake --build "$build-host" -j "$jobs" --target vurerode
  native_tool=$build-host/tools/vurerode
fi
WINE=$wine sh "$src/scripts/check-windows-tool.sh" "$native_tool" "$build/tools/vurerode.exe" || status=$?
# A fresh prefix for each end-to-end check: the test programs above import sandbox registries
# (their Shell Folders among them), and each check compares the prefix with its own start.
fresh_prefix() {
  wineserver -k 2>/dev/null || true
  WINEPREFIX=$scratch/$1
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot --init >/dev/null 2>&1 || true
}
# The installer itself: setup.exe installs and removes the sample.
if [ $status -eq 0 ]; then
  fresh_prefix setup-prefix
  "$src/scripts/wine-setup-test.sh" "$build" "${NATIVE_BUILD:-$src/build/native}" || status=$?
fi
# The installation as a transaction: a failure rolled back, a file in use replaced at the restart.
if [ $status -eq 0 ]; then
  fresh_prefix transaction-prefix
  "$src/scripts/wine-transaction-test.sh" "$build" "${NATIVE_BUILD:-$src/build/native}" || status=$?
fi
# For the current user only: refused at build time, installed and removed under HKCU, a file in use
# rolled back.
if [ $status -eq 0 ]; then
  fresh_prefix user-scope-prefix
  "$src/scripts/wine-user-scope-test.sh" "$build" "${NATIVE_BUILD:-$src/build/native}" || status=$?
fi
# One signed file carrying the set: installs as the set does, refused when changed.
if [ $status -eq 0 ]; then
  fresh_prefix single-prefix
  "$src/scripts/wine-single-file-test.sh" "$build" "${NATIVE_BUILD:-$src/build/native}" || status=$?
fi
# Names in every script under the code pages 1252, 1250, 1251 and 932, each in a prefix of its own.
if [ $status -eq 0 ]; then
  wineserver -k 2>/dev/null || true
  "$src/scripts/wine-unicode-test.sh" "$build" "${NATIVE_BUILD:-$src/build/native}" || status=$?
fi
# Its windows: the setup screen, the wizard and the uninstaller page on a virtual display (Xvfb of
# its own), walked by setup_driver.exe; screenshots in $build/gui-shots.
if [ $status -eq 0 ]; then
  fresh_prefix gui-prefix
  "$src/scripts/wine-gui-test.sh" "$build" "${NATIVE_BUILD:-$src/build/native}" || status=$?
fi
wineserver -k || true
exit $status
