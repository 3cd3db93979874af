#!/usr/bin/env bash
# setup.exe as a transaction under Wine:
#   1. a failure halfway (a folder where the installation puts a file of its own: a read-only
#      file would not stop root, as the tests run) rolls the installation back: status 1, and the prefix's files, temporary folder and registry are as
#      they were before;
#   2. a file held open without sharing by another program while a second version installs over
#      the first: status 3010, the new file queued in PendingFileRenameOperations (the wineserver
#      is kept running between the installation and the query: a new session would carry the
#      renames out), and after `wineboot -r` the new file is in place.
# Needs WINEPREFIX set to a fresh prefix of this run's own (scripts/test-windows.sh makes one).
#   scripts/wine-transaction-test.sh WINDOWS_BUILD_DIR NATIVE_BUILD_DIR
set -euo pipefail
win_build=$(cd "$1" && pwd)
native_build=$2
src=$(cd "$(dirname "$0")/.." && pwd)
wine=${WINE:-/usr/bin/wine}
: "${WINEPREFIX:?set WINEPREFIX to a prefix of this run}"

cmake -S "$src" -B "$native_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$native_build" --target vurerode -j"${JOBS:-2}" >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/vurerode-wine-transaction.XXXXXX")
trap 'touch "$WINEPREFIX/drive_c/held.stop" 2>/dev/null; wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "wine-transaction-test: $*" >&2; exit 1; }
# One wineserver session for the whole check: a new session would carry out pending renames.
wineserver -k 2>/dev/null || true
wineserver -p >/dev/null 2>&1  # it outlives the script: it must not hold the script's output open
prefix_c=$WINEPREFIX/drive_c
app_dir="Program Files/Vurerode Sample"
build_media() {  # build_media SOURCE OUT: the sample without its follow-up program
  sed -i '/^\[Run After Install\]/,$d' "$1/vurerode.prj"
  "$native_build/tools/vurerode" build --setup "$win_build/ui/setup.exe" "$1" "$2" >/dev/null
}
cp -r "$src/samples/app" "$work/v1"
build_media "$work/v1" "$work/media-v1"
cp -r "$src/samples/app" "$work/v2"
printf 'Version 2 of the read-me.\r\n' >"$work/v2/README.TXT"
sed -i 's/^Display Version = 1.0/Display Version = 2.0/' "$work/v2/vurerode.prj"
build_media "$work/v2" "$work/media-v2"
snapshot() {  # what the installation may change: files of the prefix but the registry's, and the registry
  (cd "$prefix_c" && find . -path ./windows/logs -prune -o -print | sort)
  "$wine" reg export 'HKLM\Software' "$work/hklm.reg" /y >/dev/null 2>&1
  "$wine" reg export 'HKCU\Software' "$work/hkcu.reg" /y >/dev/null 2>&1
  iconv -f UTF-16 -t UTF-8 "$work/hklm.reg" "$work/hkcu.reg" | tr -d '\r' | grep -v '^"\(InstallDate\|LastUsed\)'
}
# A run's whole exit status: a shell outside Wine sees only its low byte (3010 as 194).
starter=$win_build/tests/start_command_line.exe
status_of() {
  (cd "$1" && "$wine" "$starter" run "setup.exe /SILENT" >"$work/out.txt" 2>&1) || true
  sed -n 's/^exit status \([0-9]*\).*/\1/p' "$work/out.txt" | tail -n 1
}

# 1. A failure halfway is rolled back.
mkdir -p "$prefix_c/$app_dir/docs/manual.txt"
printf 'the user'"'"'s own\r\n' >"$prefix_c/$app_dir/docs/manual.txt/note.txt"
snapshot >"$work/before.txt"
s=$(status_of "$work/media-v1")
[ "$s" = 1 ] || { cat "$work/out.txt"; fail "a folder in a file's place ended with status $s, not 1"; }
snapshot >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" || fail "the failed installation was not rolled back"
[ "$(cat "$prefix_c/$app_dir/docs/manual.txt/note.txt")" = "the user's own"$'\r' ] || fail "the user's file changed"
echo "a failure halfway: status 1, the prefix as it was before"
rm -rf "${prefix_c:?}/$app_dir"

# 2. A file in use is replaced at the next restart.
s=$(status_of "$work/media-v1")
[ "$s" = 0 ] || { cat "$work/out.txt"; fail "version 1 ended with status $s"; }
readme='C:\Program Files\Vurerode Sample\README.TXT'
# A loaded machine may take a while to start the holder: it is waited for as long as it runs (up to
# two minutes), and what stopped it is shown.
"$wine" "$win_build/tests/hold_file.exe" "$readme" 'C:\held.ready' 'C:\held.stop' >"$work/holder.txt" 2>&1 &
holder=$!
for _ in $(seq 1200); do
  [ -e "$prefix_c/held.ready" ] && break
  kill -0 "$holder" 2>/dev/null || break
  sleep 0.1
done
if [ ! -e "$prefix_c/held.ready" ]; then
  holder_status=0
  kill -0 "$holder" 2>/dev/null && holder_status=running || wait "$holder" || holder_status=$?
  cat "$work/holder.txt" >&2
  fail "hold_file.exe did not take the read-me (holder: $holder_status)"
fi
s=$(status_of "$work/media-v2")
touch "$prefix_c/held.stop"
wait "$holder" || true
[ "$s" = 3010 ] || { cat "$work/out.txt"; fail "a file in use ended with status $s, not 3010"; }
"$wine" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations \
  >"$work/pending.txt" 2>&1 || { cat "$work/pending.txt"; fail "no PendingFileRenameOperations"; }
grep -qi 'README.TXT' "$work/pending.txt" || { cat "$work/pending.txt"; fail "the read-me is not queued"; }
"$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vurerode Sample 1.0' /v DisplayVersion |
  grep -q '2.0' || fail "the entry does not show version 2"
grep -q 'Version 2' "$prefix_c/$app_dir/README.TXT" && fail "the held read-me was replaced while held"
"$wine" wineboot -r >/dev/null 2>&1 || true
grep -q 'Version 2' "$prefix_c/$app_dir/README.TXT" || fail "after the restart the read-me is not version 2's"
echo "a file in use: status 3010, queued in PendingFileRenameOperations, in place after the restart"
