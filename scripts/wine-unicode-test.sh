#!/usr/bin/env bash
# Names in every script under Wine, whatever the system's ANSI code page. Media whose files,
# folders, title, shortcut, INI and registry entries hold Latin-1, Latin-2, Cyrillic, Greek, CJK and
# an emoji, with one file at a path of more than 300 characters, are installed by setup.exe /SILENT
# from a folder with such a name, under the code pages 1252, 1250, 1251 and 932 (Wine takes the code
# page from LANG), each in a prefix of its own: the same files and names as the sandbox installs,
# the INI value, the registry value and the shortcut exact, and a removal through the uninstall entry
# that leaves the prefix's files and registry as they were before.
#   scripts/wine-unicode-test.sh WINDOWS_BUILD_DIR NATIVE_BUILD_DIR
# Needs the locales en_US, pl_PL, ru_RU and ja_JP (UTF-8; scripts/install-deps.sh test makes them).
set -euo pipefail
win_build=$(cd "$1" && pwd)
native_build=$2
src=$(cd "$(dirname "$0")/.." && pwd)
wine=${WINE:-/usr/bin/wine}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY || true

cmake -S "$src" -B "$native_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$native_build" --target vurerode setup -j"${JOBS:-2}" >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/vurerode-wine-unicode.XXXXXX")
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "wine-unicode-test ($lang): $*" >&2; exit 1; }
lang=build

title='Vurerode Ünïcödé 日本語 1.0'
main_dir='Vurerode Ünïcödé 日本'
app_dir="Program Files/$main_dir"
shortcut='Читать 🎉'
reg_key='Software\Vurerode Ünïcödé'
ini_file='vünï.ini'
long_dir=deep/$(printf 'a%.0s' {1..60})/$(printf 'ß%.0s' {1..60})/$(printf 'ж%.0s' {1..60})/$(printf '語%.0s' {1..60})

# The sample with names from every script.
sample=$work/sample
cp -r "$src/samples/app" "$sample"
mkdir -p "$sample/naïve" "$sample/Журнал" "$sample/日本語" "$sample/$long_dir"
printf 'Latin-1\r\n' >"$sample/Café.txt"
printf 'Latin-1 in a folder\r\n' >"$sample/naïve/über.txt"
printf 'Latin-2\r\n' >"$sample/Łódź żółw.txt"
printf 'Cyrillic\r\n' >"$sample/Журнал/отчёт.txt"
printf 'Greek\r\n' >"$sample/Ελληνικά.txt"
printf 'CJK\r\n' >"$sample/日本語/説明書.txt"
printf 'outside the BMP\r\n' >"$sample/party🎉.txt"
printf 'far down\r\n' >"$sample/$long_dir/the end of the long road.txt"
cat >"$sample/vurerode.prj" <<PRJ
[Setup]
Title = $title
Main Directory = $main_dir
Desktop Folder = $main_dir
Display Version = 1.0
Publisher = Éditions Łódź Ω 出版
Logo File = images\\logo.bmp

[Shortcuts]
$shortcut = Журнал\\отчёт.txt, $main_dir, start menu

[Registry]
HKEY_CURRENT_USER\\$reg_key, Ключ, Значение, 日本語 🎉

[INI Files]
$ini_file, Sekcja ł, Klucz ż, wartość 🎉
PRJ
"$native_build/tools/vurerode" build --setup "$win_build/ui/setup.exe" "$sample" "$work/media" >"$work/build.out" 2>&1 ||
  { cat "$work/build.out"; fail "vurerode build refused the sample"; }
"$native_build/ui/setup" --sandbox "$work/machine" --media "$work/media" /SILENT >/dev/null ||
  fail "the sandbox installation failed"
ref=$work/machine/drive_c
[ -f "$ref/$app_dir/$long_dir/the end of the long road.txt" ] || fail "the sandbox lacks the long path's file"

# Text of a UTF-16 registry export or profile file, or of a plain one, as UTF-8 without CRs.
text_of() {
  if [ "$(head -c 2 "$1" | od -An -tx1 | tr -d ' ')" = fffe ]; then iconv -f UTF-16 -t UTF-8 "$1"; else cat "$1"; fi |
    tr -d '\r'
}
reg_text() {  # reg_text KEY: the key exported, as UTF-8 text (empty when it is missing)
  rm -f "$work/export.reg"
  "$wine" reg export "$1" "$work/export.reg" /y >/dev/null 2>&1 || return 0
  text_of "$work/export.reg"
}
# What an installation may change: the prefix's files but the registry's, and the registry (Wine's own
# keys aside). The design leaves two things: the cleanup batch, and the INI file in the Windows
# directory, which an unattended removal keeps as a file Windows may use.
snapshot() {
  (cd "$prefix_c" && find . -path ./windows/logs -prune -o -path ./windows/temp/zad2000.bat -prune \
    -o -path "./windows/$ini_file" -prune -o -print | sort)
  for k in 'HKLM\Software' 'HKCU\Software'; do
    reg_text "$k" | sed -n '/^\[HKEY_[A-Z_]*\\Software\\\(Wine\|Microsoft\\Windows NT\)/,/^$/!p' |
      grep -v '^"\(InstallDate\|LastUsed\)'
  done
  reg_text 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
}

for lang in en_US pl_PL ru_RU ja_JP; do
  export LANG=$lang.UTF-8 LC_ALL=$lang.UTF-8 WINEPREFIX=$work/prefix-$lang
  wineserver -k 2>/dev/null || true
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot --init >/dev/null 2>&1 || true
  "$wine" cmd /c exit 0 >/dev/null 2>&1 || true
  wineserver -w  # the prefix settles before it is compared
  prefix_c=$WINEPREFIX/drive_c
  acp=$(reg_text 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' | sed -n 's/^"ACP"="\(.*\)"$/\1/p')
  snapshot >"$work/before.txt"
  media="$prefix_c/Descărcări/媒体 🎉"
  mkdir -p "$media"
  cp -r "$work/media/." "$media/"
  (cd "$media" && "$wine" setup.exe /SILENT >"$work/install.out" 2>&1) ||
    { cat "$work/install.out"; fail "setup.exe /SILENT failed under code page $acp"; }
  wineserver -w
  rm -rf "${prefix_c:?}/Descărcări"

  diff -r -x uninstaller.cfg "$ref/$app_dir" "$prefix_c/$app_dir" || fail "installed files differ from the sandbox's"
  [ "$(cat "$prefix_c/$app_dir/$long_dir/the end of the long road.txt")" = "far down"$'\r' ] || fail "the long path's file"
  grep -qx 'Klucz ż=wartość 🎉' <(text_of "$prefix_c/windows/$ini_file") ||
    { text_of "$prefix_c/windows/$ini_file"; fail "the INI value is not exact"; }
  grep -qx '"Значение"="日本語 🎉"' <(reg_text "HKCU\\$reg_key\\Ключ") || fail "the registry value is not exact"
  entry=$(reg_text "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$title")
  grep -qx "\"DisplayName\"=\"$title\"" <<<"$entry" || { echo "$entry"; fail "the uninstall entry's name"; }
  grep -qx '"Publisher"="Éditions Łódź Ω 出版"' <<<"$entry" || { echo "$entry"; fail "the uninstall entry's publisher"; }
  [ -n "$(find "$prefix_c/users" -path "*/Start Menu/Programs/$main_dir/$shortcut.lnk")" ] ||
    fail "no shortcut '$shortcut.lnk' in the program folder '$main_dir'"
  echo "code page $acp: every name exact, the same files as the sandbox, one path of $(printf '%s' "C:\\$app_dir\\$long_dir\\the end of the long road.txt" | wc -m) characters"

  quiet=$(sed -n 's/^"QuietUninstallString"="\(.*\)"$/\1/p' <<<"$entry" | sed 's/\\\\/\\/g; s/\\"/"/g')
  [ -n "$quiet" ] || fail "no QuietUninstallString"
  (cd "$prefix_c" && "$wine" "$win_build/tests/start_command_line.exe" run "$quiet" >"$work/remove.out" 2>&1) ||
    { cat "$work/remove.out"; fail "the QuietUninstallString failed"; }
  wineserver -w  # the cleanup batch runs after the program has ended
  snapshot >"$work/after.txt"
  diff "$work/before.txt" "$work/after.txt" || fail "the removal left the prefix other than it was"
  echo "code page $acp: removed through the uninstall entry, the prefix as it was before"
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
done
