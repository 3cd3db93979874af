#!/usr/bin/env bash
# The single signed setup.exe end to end under Wine, against the set of the same sample:
#   1. build the sample as a set and as a single file, both signed by osslsigncode with a
#      throw-away certificate (when osslsigncode and openssl are there);
#   2. the single file verifies, and a copy with one byte of its set changed is refused with
#      "Error Expanding Files!!" and status 1 before anything is installed;
#   3. the single file, started from another folder, installs /SILENT exactly as the set does
#      (files, the log, the uninstall entry, shortcuts);
#   4. the uninstaller it installed is the signed program alone (a fixed signing time makes the
#      two signatures the same bytes), verifies, and removes everything again.
# Needs WINEPREFIX set to a fresh prefix of this run's own (scripts/test-windows.sh makes one).
#   scripts/wine-single-file-test.sh WINDOWS_BUILD_DIR NATIVE_BUILD_DIR
set -euo pipefail
win_build=$(cd "$1" && pwd)
native_build=$2
src=$(cd "$(dirname "$0")/.." && pwd)
wine=${WINE:-/usr/bin/wine}
: "${WINEPREFIX:?set WINEPREFIX to a prefix of this run}"

cmake -S "$src" -B "$native_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$native_build" --target vurerode -j"${JOBS:-2}" >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/vurerode-wine-single.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "wine-single-file-test: $*" >&2; exit 1; }
prefix_c=$WINEPREFIX/drive_c
app_dir="Program Files/Vurerode Sample"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vurerode Sample 1.0'
starter=$win_build/tests/start_command_line.exe

cp -r "$src/samples/app" "$work/sample"
sed -i '/^\[Run After Install\]/,$d' "$work/sample/vurerode.prj"
sign=()
verify() { :; }
if command -v osslsigncode >/dev/null && command -v openssl >/dev/null; then
  (cd "$work" && openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
    -subj /CN=Vurerode-Test >/dev/null 2>&1 &&
    openssl pkcs12 -export -out cert.p12 -inkey key.pem -in cert.pem -passout pass:test)
  sign=(--sign-command "osslsigncode sign -pkcs12 '$work/cert.p12' -pass test -time 1767225600 -in {} -out {}.signed >/dev/null && mv {}.signed {}")
  verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >/dev/null 2>&1 || fail "$1 does not verify"; }
else
  echo "wine-single-file-test: no osslsigncode or openssl: the programs are not signed"
fi
"$native_build/tools/vurerode" build --setup "$win_build/ui/setup.exe" "${sign[@]}" "$work/sample" "$work/set" >/dev/null
"$native_build/tools/vurerode" build --setup "$win_build/ui/setup.exe" "${sign[@]}" --single-file "$work/sample" \
  "$work/single" >/dev/null
[ "$(ls "$work/single")" = setup.exe ] || fail "the single file's folder holds more: $(ls "$work/single")"
verify "$work/single/setup.exe"
run() {  # run DIR COMMAND: status of a command line started in DIR, its output in $work/out.txt
  (cd "$1" && "$wine" "$starter" run "$2" >"$work/out.txt" 2>&1) || true
  sed -n 's/^exit status \([0-9]*\).*/\1/p' "$work/out.txt" | tail -n 1
}
snapshot() {
  (cd "$prefix_c" && find . -path ./windows/logs -prune -o -print | sort)
  "$wine" reg export 'HKLM\Software' "$work/hklm.reg" /y >/dev/null 2>&1
  iconv -f UTF-16 -t UTF-8 "$work/hklm.reg" | tr -d '\r' | grep -v '^"\(InstallDate\|LastUsed\)'
}

# A changed byte of the set inside: refused before anything is installed.
mkdir -p "$work/bad"
cp "$work/single/setup.exe" "$work/bad/setup.exe"
size=$(stat -c %s "$work/bad/setup.exe")
printf '\x5a' | dd of="$work/bad/setup.exe" bs=1 seek=$((size - 40000)) conv=notrunc status=none
snapshot >"$work/before.txt"
s=$(run "$work/bad" "setup.exe /SILENT /LOG=C:\\bad.log")
[ "$s" = 1 ] || { cat "$work/out.txt"; fail "a changed single file ended with status $s, not 1"; }
grep -q "Error Expanding Files!!" "$prefix_c/bad.log" || { cat "$prefix_c/bad.log"; fail "no Error Expanding Files!!"; }
grep -q "changed" "$prefix_c/bad.log" || { cat "$prefix_c/bad.log"; fail "the log does not say the file was changed"; }
rm "$prefix_c/bad.log"
snapshot >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" || fail "a changed single file left something behind"
echo "a changed single file: refused, nothing installed"

# The set, then the single file, on the same prefix: the same installation.
s=$(run "$work/set" "setup.exe /SILENT")
[ "$s" = 0 ] || { cat "$work/out.txt"; fail "the set ended with status $s"; }
wineserver -w
cp -r "$prefix_c/$app_dir" "$work/from-set"
"$wine" reg query "$key" | tr -d '\r' | grep -v 'InstallDate' >"$work/entry-set.txt"
find "$prefix_c/users" -name '*.lnk' -path '*Vurerode*' | sort >"$work/links-set.txt"
s=$(run "$prefix_c/$app_dir" "setup.exe /SILENT \"Vurerode Sample 1.0\"")
[ "$s" = 0 ] || { cat "$work/out.txt"; fail "removing the set's installation ended with status $s"; }
wineserver -w
[ ! -e "$prefix_c/$app_dir" ] || fail "the set's installation was not removed"

# Started from another folder, as a browser or a package manager starts it.
s=$(run "$prefix_c" "$(winepath -w "$work/single/setup.exe" 2>/dev/null) /SILENT")
[ "$s" = 0 ] || { cat "$work/out.txt"; fail "the single file ended with status $s"; }
wineserver -w
diff -r "$work/from-set" "$prefix_c/$app_dir" || fail "the single file installed other files than the set"
"$wine" reg query "$key" | tr -d '\r' | grep -v 'InstallDate' >"$work/entry-single.txt"
diff "$work/entry-set.txt" "$work/entry-single.txt" || fail "the uninstall entries differ"
find "$prefix_c/users" -name '*.lnk' -path '*Vurerode*' | sort >"$work/links-single.txt"
diff "$work/links-set.txt" "$work/links-single.txt" || fail "the shortcuts differ"
cmp "$prefix_c/$app_dir/setup.exe" "$work/set/setup.exe" || fail "the uninstaller is not the program alone"
verify "$prefix_c/$app_dir/setup.exe"
echo "the single file installs as the set does; its uninstaller is the signed program alone"

quiet=$(sed -n 's/^    QuietUninstallString    REG_SZ    //p' "$work/entry-single.txt")
s=$(run "$prefix_c" "$quiet")
[ "$s" = 0 ] || { cat "$work/out.txt"; fail "the QuietUninstallString ended with status $s"; }
wineserver -w
[ ! -e "$prefix_c/$app_dir" ] || fail "the installation directory is still there"
! "$wine" reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry is still there"
[ -z "$(find "$prefix_c/users" -name '*.lnk' -path '*Vurerode*')" ] || fail "shortcuts are still there"
echo "removed by the uninstaller it installed"
