#!/usr/bin/env bash
# The Windows setup.exe end to end under Wine, against the same install on the sandbox:
#   1. build the sample's media with the native tool, shipping the Windows setup.exe;
#   2. install them on a sandbox machine with the native setup (the reference);
#   3. run setup.exe /SILENT from the media folder in the Wine prefix: files, INI values, shortcut
#      targets and the uninstall entry (wine reg query) must match the sandbox's;
#   4. start the entry's QuietUninstallString as Add/Remove Programs does (with a C:\Program.exe in
#      wait that must never run), wait for the cleanup batch, and check that the application's
#      files, shortcuts and keys are gone again.
# Needs WINEPREFIX set to a prefix of this run's own (scripts/test-windows.sh makes one).
#   scripts/wine-setup-test.sh WINDOWS_BUILD_DIR NATIVE_BUILD_DIR
set -euo pipefail
win_build=$1
native_build=$2
src=$(cd "$(dirname "$0")/.." && pwd)
wine=${WINE:-/usr/bin/wine}
: "${WINEPREFIX:?set WINEPREFIX to a prefix of this run}"

cmake -S "$src" -B "$native_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$native_build" --target vurerode setup -j"${JOBS:-2}" >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/vurerode-wine-setup.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "wine-setup-test: $*" >&2; exit 1; }

cp -r "$src/samples/app" "$work/sample"
mkdir -p "$work/sample/cache"
"$native_build/tools/vurerode" build --setup "$win_build/ui/setup.exe" "$work/sample" "$work/media" >/dev/null
"$native_build/ui/setup" --sandbox "$work/machine" --media "$work/media" /SILENT >/dev/null

prefix_c=$WINEPREFIX/drive_c
app_dir="Program Files/Vurerode Sample"
[ ! -e "$prefix_c/$app_dir" ] || fail "the prefix has the application already"
(cd "$work/media" && "$wine" setup.exe /SILENT >"$work/wine-install.out" 2>&1) ||
  { cat "$work/wine-install.out"; fail "setup.exe /SILENT failed"; }
wineserver -w

# Files and their bytes, INI values.
diff -r -x uninstaller.cfg "$work/machine/drive_c/$app_dir" "$prefix_c/$app_dir" ||
  fail "installed files differ from the sandbox's"
# The log names the same items; the shell folders and the Windows directory's spelling are the machine's.
log_lines() { tr -d '\r' <"$1/$app_dir/uninstaller.cfg" | grep -iv 'Start Menu\|Desktop\|vsample.ini'; }
diff <(log_lines "$work/machine/drive_c") <(log_lines "$prefix_c") || fail "uninstaller.cfg differs"
[ "$(wc -l <"$work/machine/drive_c/$app_dir/uninstaller.cfg")" = "$(wc -l <"$prefix_c/$app_dir/uninstaller.cfg")" ] ||
  fail "uninstaller.cfg has another number of lines"
cmp "$work/machine/drive_c/WINDOWS/vsample.ini" "$prefix_c/windows/vsample.ini" || fail "vsample.ini differs"
echo "files and INI values: as on the sandbox"

# Shortcut targets.
lnk_target() { lnkinfo "$1" 2>/dev/null | sed -n 's/^[[:space:]]*Local path[[:space:]]*:[[:space:]]*//p' | head -n 1; }
if command -v lnkinfo >/dev/null; then
  start_menu=$(find "$prefix_c/users" -path '*Start Menu/Programs/Vurerode Sample/Read Me.lnk' | head -n 1)
  [ -n "$start_menu" ] || fail "no Read Me.lnk in the prefix's program folder"
  want=$(lnk_target "$work/machine/drive_c/WINDOWS/Start Menu/Programs/Vurerode Sample/Read Me.lnk")
  got=$(lnk_target "$start_menu")
  [ "$want" = "$got" ] || fail "shortcut target '$got', the sandbox's '$want'"
  echo "shortcut target: $got"
fi

# The uninstall entry, as wine reg query reads it, against the sandbox's registry.reg.
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vurerode Sample 1.0'
"$wine" reg query "$key" | tr -d '\r' >"$work/entry.txt"
sandbox_reg=$(iconv -f UTF-16 -t UTF-8 "$work/machine/registry.reg" | tr -d '\r')
for name in DisplayName UninstallString QuietUninstallString InstallLocation DisplayIcon DisplayVersion Publisher; do
  got=$(sed -n "s/^    $name    REG_SZ    //p" "$work/entry.txt")
  want=$(printf '%s\n' "$sandbox_reg" | sed -n "s/^\"$name\"=\"\\(.*\\)\"$/\\1/p" | sed 's/\\\\/\\/g; s/\\"/"/g')
  [ -n "$got" ] && [ "$got" = "$want" ] || fail "$name: '$got' under Wine, '$want' on the sandbox"
done
grep -q 'EstimatedSize    REG_DWORD' "$work/entry.txt" || fail "no EstimatedSize"
"$wine" reg query 'HKLM\Software\Vurerode\Sample' | grep -q 'Version    REG_SZ    1.0' || fail "registry entry missing"
echo "uninstall entry and registry values: as on the sandbox"

# Remove it as Add/Remove Programs would, unattended: the entry's command line started by
# CreateProcess with no application name, so that Windows reads which program it names. A
# C:\Program.exe lies in wait for an unquoted "C:\Program Files\..." (it leaves a marker when run;
# checked once here so that its silence below means something). The quiet command is the
# UninstallString with /SILENT, as there is no display for the windows.
uninstall=$(sed -n 's/^    UninstallString    REG_SZ    //p' "$work/entry.txt")
quiet=$(sed -n 's/^    QuietUninstallString    REG_SZ    //p' "$work/entry.txt")
[ "$quiet" = "$uninstall /SILENT" ] || fail "QuietUninstallString '$quiet' is not UninstallString '$uninstall' /SILENT"
starter="$(cd "$win_build" && pwd)/tests/start_command_line.exe"
cp "$starter" "$prefix_c/Program.exe"
printf 'theirs' >"$prefix_c/Program Files/setup.exe"  # another program's, beside the installation's folder
(cd "$prefix_c" && "$wine" 'C:\Program.exe' probe >/dev/null 2>&1) || true
[ -e "$prefix_c/Program.exe.ran" ] || fail "C:\\Program.exe leaves no marker when run"
rm "$prefix_c/Program.exe.ran"
(cd "$prefix_c" && "$wine" "$starter" run "$quiet" >"$work/wine-remove.out" 2>&1) ||
  { cat "$work/wine-remove.out"; fail "the QuietUninstallString failed"; }
wineserver -w  # the cleanup batch runs after the program has ended
[ ! -e "$prefix_c/Program.exe.ran" ] || fail "C:\\Program.exe ran for the uninstall entry: $(cat "$prefix_c/Program.exe.ran")"
rm "$prefix_c/Program.exe"
[ "$(cat "$prefix_c/Program Files/setup.exe")" = theirs ] || fail "the cleanup batch took C:\\Program Files\\setup.exe"
rm "$prefix_c/Program Files/setup.exe"
[ ! -e "$prefix_c/$app_dir" ] || { ls -la "$prefix_c/$app_dir"; fail "the installation directory is still there"; }
[ -z "$(find "$prefix_c/users" -name 'Read Me.lnk' -o -name 'Manual.lnk')" ] || fail "shortcuts are still there"
! "$wine" reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry is still there"
! "$wine" reg query 'HKLM\Software\Vurerode' >/dev/null 2>&1 || fail "HKLM\\Software\\Vurerode is still there"
echo "removed through QuietUninstallString: files, shortcuts, keys and the directory are gone"

# Without follow-up programs nothing is read from the expanded archive after the wizard: the files
# go from the medium straight to their places. The result must be the same.
cp -r "$work/sample" "$work/direct"
sed -i '/^\[Run After Install\]/,$d' "$work/direct/vurerode.prj"
"$native_build/tools/vurerode" build --setup "$win_build/ui/setup.exe" "$work/direct" "$work/media-direct" >/dev/null
"$native_build/ui/setup" --sandbox "$work/machine-direct" --media "$work/media-direct" /SILENT >/dev/null
(cd "$work/media-direct" && "$wine" setup.exe /SILENT >"$work/wine-direct.out" 2>&1) ||
  { cat "$work/wine-direct.out"; fail "setup.exe /SILENT failed on media without follow-up programs"; }
wineserver -w
diff -r -x uninstaller.cfg "$work/machine-direct/drive_c/$app_dir" "$prefix_c/$app_dir" ||
  fail "files placed straight from the medium differ from the sandbox's"
diff <(log_lines "$work/machine-direct/drive_c") <(log_lines "$prefix_c") || fail "uninstaller.cfg differs (direct)"
echo "files placed straight from the medium: as on the sandbox"
