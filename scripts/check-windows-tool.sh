#!/bin/sh
# vurerode.exe under Wine against the native tool: building the sample's media gives the same
# bytes, list prints the same lines, test passes, unpack gives the folder back exactly, and a few
# failures end with the same message and exit status. Run by the Windows leg (test-windows.sh),
# inside its Wine prefix.
#
#   scripts/check-windows-tool.sh NATIVE_VURERODE WINDOWS_VURERODE_EXE
set -eu

if [ $# -ne 2 ]; then
  echo "usage: $0 NATIVE_VURERODE WINDOWS_VURERODE_EXE" >&2
  exit 2
fi
src=$(cd "$(dirname "$0")/.." && pwd)
native=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
exe=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
wine=${WINE:-/usr/bin/wine}

work=$(mktemp -d "${TMPDIR:-/tmp}/vurerode-tool-check.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work"
# Both tools see the same relative paths: the folder's name becomes part of the media.
# (The project file vurerode.prj steers the build and is not shipped: unpack does not give it back.)
cp -R "$src/samples/app" app
{ printf 'MZ'; head -c 58 /dev/zero; printf '\100\0\0\0PE\0\0'; } >setup.bin  # the smallest file build takes for a Windows program

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Runs the tool both ways with the same arguments; keeps the status and output of each (Windows
# console output ends its lines with CR LF, which is dropped before comparing).
both() {
  set +e
  "$native" "$@" >native.out 2>native.err
  native_status=$?
  "$wine" "$exe" "$@" >windows.out 2>windows.err
  windows_status=$?
  set -e
  for f in windows.out windows.err; do tr -d '\r' <"$f" >"$f.lf" && mv "$f.lf" "$f"; done
}

same_run() {
  both "$@"
  [ "$native_status" = "$windows_status" ] || fail "$*: exit status $windows_status, natively $native_status"
  cmp -s native.out windows.out || fail "$*: standard output differs: $(diff native.out windows.out | head -5)"
  cmp -s native.err windows.err || fail "$*: standard error differs: $(diff native.err windows.err | head -5)"
}

# ---- build: the same media, byte for byte
set +e
"$native" build --setup setup.bin app media-native >/dev/null 2>build-native.err
native_status=$?
"$wine" "$exe" build --setup setup.bin app media-windows >/dev/null 2>build-windows.err
windows_status=$?
set -e
[ "$native_status" = 0 ] || fail "native build: status $native_status: $(cat build-native.err)"
[ "$windows_status" = 0 ] || fail "vurerode.exe build: status $windows_status: $(cat build-windows.err)"
if [ -f media-windows/disk.001 ]; then
  diff -r media-native media-windows >media.diff 2>&1 || fail "media differ: $(head -5 media.diff)"
else
  fail "vurerode.exe build wrote no disk.001"
fi

# ---- list, test, unpack of the set vurerode.exe built
same_run list media-windows/disk.001
[ "$windows_status" = 0 ] || fail "list: status $windows_status"
same_run test media-windows/disk.001
[ "$windows_status" = 0 ] || fail "test: status $windows_status"
"$wine" "$exe" unpack media-windows/disk.001 -C unpacked >/dev/null 2>unpack.err || fail "unpack: $(cat unpack.err)"
diff -r -x vurerode.prj app unpacked/Source/app >unpack.diff 2>&1 || fail "unpack did not give the folder back: $(head -5 unpack.diff)"

# ---- an archive of its own: pack, list, test, unpack
"$wine" "$exe" pack -m lzh app.arc app >/dev/null 2>pack.err || fail "pack: $(cat pack.err)"
same_run list app.arc
same_run test app.arc
"$wine" "$exe" unpack app.arc -C from-archive >/dev/null 2>unpack2.err || fail "unpack archive: $(cat unpack2.err)"
diff -r app from-archive/app >unpack2.diff 2>&1 || fail "archive unpack differs: $(head -5 unpack2.diff)"

# ---- failures: the same messages and exit statuses
same_run test missing.arc
same_run frobnicate
same_run unpack
same_run build app
printf 'not an archive at all, long enough for a header' >junk.arc
same_run list junk.arc

if [ "$failures" -ne 0 ]; then
  echo "check-windows-tool: $failures check(s) failed" >&2
  exit 1
fi
echo "check-windows-tool: vurerode.exe builds, lists, tests and unpacks as the native tool does"
