#!/usr/bin/env bash
# setup.exe installing for the current user only, under Wine:
#   1. vurerode build refuses a `Scope = user` project that writes under HKEY_LOCAL_MACHINE, naming
#      the entry, and builds the same project with `Scope = choose`;
#   2. setup.exe /SILENT /CURRENTUSER installs into %LOCALAPPDATA%\Programs\<Main Directory>, the
#      uninstall entry is under HKCU (wine reg query) and HKLM has none, and nothing lands in
#      Program Files;
#   3. the entry's QuietUninstallString removes it: the files, the folder and the keys are gone;
#   4. a file held open without sharing while a second version installs for the current user:
#      status 1, the file named in the log, nothing queued for the restart, the first version as
#      it was (for every user the same case ends with 3010: scripts/wine-transaction-test.sh).
# Needs WINEPREFIX set to a fresh prefix of this run's own (scripts/test-windows.sh makes one).
#   scripts/wine-user-scope-test.sh WINDOWS_BUILD_DIR NATIVE_BUILD_DIR
set -euo pipefail
win_build=$(cd "$1" && pwd)
native_build=$2
src=$(cd "$(dirname "$0")/.." && pwd)
wine=${WINE:-/usr/bin/wine}
: "${WINEPREFIX:?set WINEPREFIX to a prefix of this run}"

cmake -S "$src" -B "$native_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$native_build" --target vurerode -j"${JOBS:-2}" >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/vurerode-wine-user-scope.XXXXXX")
trap 'touch "$WINEPREFIX/drive_c/held.stop" 2>/dev/null; wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "wine-user-scope-test: $*" >&2; exit 1; }
wineserver -k 2>/dev/null || true
prefix_c=$WINEPREFIX/drive_c
vurerode=$native_build/tools/vurerode
starter=$win_build/tests/start_command_line.exe

# The sample as a per-user project: its machine-wide value goes where the installation goes, and
# its INI file (in the Windows folder) and follow-up program are left out.
make_project() {  # make_project DIR SCOPE
  cp -r "$src/samples/app" "$1"
  sed -i -e '/^\[Run After Install\]/,$d' -e '/^\[INI Files\]/,/^$/d' -e "s/^\\[Setup\\]\$/[Setup]\\nScope = $2/" \
    -e 's/^HKEY_LOCAL_MACHINE\\/HKEY_AUTO\\/' "$1/vurerode.prj"
}

# 1. Refused at build time for `user`, built for `choose`.
make_project "$work/refused" user
printf 'HKEY_LOCAL_MACHINE\\Software\\Vurerode, Shared, Users, 1\n' >>"$work/refused/vurerode.prj"
s=0
"$vurerode" build --setup "$win_build/ui/setup.exe" "$work/refused" "$work/media-refused" >"$work/build.out" 2>&1 ||
  s=$?
[ "$s" = 1 ] || { cat "$work/build.out"; fail "a user project writing HKLM was built (status $s)"; }
grep -q 'HKEY_LOCAL_MACHINE\\Software\\Vurerode,Shared,Users,1": it writes under HKEY_LOCAL_MACHINE' \
  "$work/build.out" || { cat "$work/build.out"; fail "the refusal does not name the entry"; }
[ ! -e "$work/media-refused/setup.exe" ] || fail "the refused build wrote media"
make_project "$work/v1" choose
"$vurerode" build --setup "$win_build/ui/setup.exe" "$work/v1" "$work/media-v1" >/dev/null
make_project "$work/v2" choose
printf 'Version 2 of the read-me.\r\n' >"$work/v2/README.TXT"
sed -i 's/^Display Version = 1.0/Display Version = 2.0/' "$work/v2/vurerode.prj"
"$vurerode" build --setup "$win_build/ui/setup.exe" "$work/v2" "$work/media-v2" >/dev/null
echo "build: a user project writing HKLM refused by name, the choose project built"

# A run's whole exit status: a shell outside Wine sees only its low byte.
status_of() {  # status_of MEDIA SWITCHES
  (cd "$1" && "$wine" "$starter" run "setup.exe /SILENT $2" >"$work/out.txt" 2>&1) || true
  sed -n 's/^exit status \([0-9]*\).*/\1/p' "$work/out.txt" | tail -n 1
}
local_appdata=$("$wine" cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')
case $local_appdata in [A-Za-z]:\\*) ;; *) fail "no %LOCALAPPDATA% in the prefix: '$local_appdata'" ;; esac
app_dir=$(winepath -u "$local_appdata\\Programs\\Vurerode Sample" 2>/dev/null)
key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Vurerode Sample 1.0'

# 2. Installed for the current user.
s=$(status_of "$work/media-v1" /CURRENTUSER)
[ "$s" = 0 ] || { cat "$work/out.txt"; fail "setup.exe /SILENT /CURRENTUSER ended with status $s"; }
for f in README.TXT docs/manual.txt; do [ -f "$app_dir/$f" ] || fail "$f is not in $app_dir"; done
[ ! -e "$prefix_c/Program Files/Vurerode Sample" ] || fail "the per-user installation wrote into Program Files"
"$wine" reg query "HKCU\\$key" | tr -d '\r' >"$work/entry.txt" || fail "no uninstall entry under HKCU"
grep -qF "$local_appdata\\Programs\\Vurerode Sample" "$work/entry.txt" || { cat "$work/entry.txt"; fail "InstallLocation"; }
! "$wine" reg query "HKLM\\$key" >/dev/null 2>&1 || fail "an uninstall entry under HKLM"
! "$wine" reg query 'HKLM\Software\Vurerode' >/dev/null 2>&1 || fail "HKEY_AUTO wrote under HKLM"
"$wine" reg query 'HKCU\Software\Vurerode\Sample' | grep -q 'Version    REG_SZ    1.0' ||
  fail "HKEY_AUTO did not write under HKCU"
echo "per-user installation: files in %LOCALAPPDATA%\\Programs, the entry under HKCU only"

# 3. Removed through the entry, unattended.
quiet=$(sed -n 's/^    QuietUninstallString    REG_SZ    //p' "$work/entry.txt")
[ -n "$quiet" ] || { cat "$work/entry.txt"; fail "no QuietUninstallString"; }
(cd "$prefix_c" && "$wine" "$starter" run "$quiet" >"$work/remove.out" 2>&1) ||
  { cat "$work/remove.out"; fail "the QuietUninstallString failed"; }
wineserver -w  # the cleanup batch runs after the program has ended
[ ! -e "$app_dir" ] || { ls -la "$app_dir"; fail "the installation directory is still there"; }
! "$wine" reg query "HKCU\\$key" >/dev/null 2>&1 || fail "the uninstall entry is still there"
! "$wine" reg query 'HKCU\Software\Vurerode\Sample' /v Version >/dev/null 2>&1 || fail "the HKCU value is still there"
echo "removed through QuietUninstallString: files, folder and keys are gone"

# 4. A file in use cannot wait for the restart: the per-user installation fails and is rolled back.
s=$(status_of "$work/media-v1" /CURRENTUSER)
[ "$s" = 0 ] || { cat "$work/out.txt"; fail "version 1 ended with status $s"; }
readme="$local_appdata\\Programs\\Vurerode Sample\\README.TXT"
"$wine" "$win_build/tests/hold_file.exe" "$readme" 'C:\held.ready' 'C:\held.stop' >"$work/holder.txt" 2>&1 &
holder=$!
for _ in $(seq 1200); do  # as long as the holder runs, up to two minutes on a loaded machine
  [ -e "$prefix_c/held.ready" ] && break
  kill -0 "$holder" 2>/dev/null || break
  sleep 0.1
done
[ -e "$prefix_c/held.ready" ] || { cat "$work/holder.txt" >&2; fail "hold_file.exe did not take the read-me"; }
s=$(status_of "$work/media-v2" '/CURRENTUSER /LOG=C:\v2.log')
touch "$prefix_c/held.stop"
wait "$holder" || true
[ "$s" = 1 ] || { cat "$work/out.txt"; fail "a file in use ended the per-user installation with status $s, not 1"; }
grep -qi 'README.TXT (another program holds it' "$prefix_c/v2.log" || { cat "$prefix_c/v2.log"; fail "the log does not name the file"; }
! "$wine" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations \
  2>/dev/null | grep -qi 'README.TXT' || fail "the read-me was queued for the restart"
"$wine" reg query "HKCU\\$key" /v DisplayVersion | grep -q '1.0' || fail "the entry does not show version 1 again"
grep -q 'Version 2' "$app_dir/README.TXT" && fail "the held read-me was replaced"
[ -z "$(find "$app_dir" -maxdepth 1 -iname '~VR*.TMP')" ] || fail "a copy waiting for the restart is left in $app_dir"
echo "a file in use, per user: status 1, the file named, version 1 as it was"
