#!/usr/bin/env bash
# The setup program's windows under Wine on a 1920x1080 virtual display: how long setup.exe takes
# from its start until its main window is on screen, and how long one repaint of the full-screen
# setup screen (the 100-band gradient and the text lines) takes. Runs setup_driver's bench mode
# BENCH_REPS times (default 5) in a fresh Wine prefix and prints every run and the best.
#
#   bench/gui_bench.sh [WINDOWS_BUILD_DIR [NATIVE_BUILD_DIR]]
#
# Targets: main window within 300 ms of the start; a 1920x1080 repaint under 5 ms.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win_build=${1:-$root/build/windows}
native_build=${2:-$root/build/native}
reps=${BENCH_REPS:-5}
wine=${WINE:-/usr/bin/wine}

cmake --build "$win_build" --target setup setup_driver -j2 >/dev/null
cmake --build "$native_build" --target vurerode -j2 >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/vurerode-gui-bench.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
DISPLAY=:$(head -n 1 "$work/display")
export DISPLAY
mkdir -p "$WINEPREFIX"
"$wine" wineboot --init >/dev/null 2>&1 || true
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
cp -r "$root/samples/app" "$work/sample"
mkdir -p "$work/sample/cache"
"$native_build/tools/vurerode" build --setup "$win_build/ui/setup.exe" "$work/sample" "$work/media" >/dev/null
cp "$win_build/tests/setup_driver.exe" "$work/"
exe=$("$wine" winepath -w "$work/media/setup.exe" 2>/dev/null | tr -d '\r')
"$wine" "$work/setup_driver.exe" bench "$exe" >/dev/null 2>&1 || true  # warm-up: the first start loads Wine
for _ in $(seq "$reps"); do
  "$wine" "$work/setup_driver.exe" bench "$exe" | tee -a "$work/runs.txt"
  wineserver -w
done
times=$(sed -n 's/.*after \([0-9]*\) ms; .*/\1/p' "$work/runs.txt" | sort -n)
paints=$(sed -n 's/.* takes \([0-9.]*\) ms/\1/p' "$work/runs.txt" | sort -n)
pick() { printf '%s\n' "$1" | sed -n "$2p"; }
n=$(printf '%s\n' "$times" | wc -l)
mid=$(((n + 1) / 2))
echo "main window on screen: best $(pick "$times" 1) ms, median $(pick "$times" $mid) ms (target 300)"
echo "1920x1080 repaint: best $(pick "$paints" 1) ms, median $(pick "$paints" $mid) ms (target 5)"
