#!/usr/bin/env bash
# setup.exe's windows under Wine on a virtual X display (Xvfb), walked by setup_driver.exe through
# window messages:
#   1. the setup screen for every "Display Style" and every "Logo Pos": a screenshot each, the band
#      colours checked against the colour table and the logo against its computed place; a GIF logo
#      still and animated (each of its frames seen in turn);
#   2. an install of the sample through every wizard page (licence accepted, the folder dialog
#      opened and cancelled, the destination typed and Enter pressed, a shortcut row ticked, another
#      with Space, the Start-menu folder ticked), a screenshot per page; the files, shortcuts and
#      registry entries checked in the prefix;
#   3. the uninstaller page, the system-file question answered Yes; the prefix is as before;
#   4. a project whose title, folder and shortcut hold accents and kanji: the fonts have every
#      character, the windows hold exactly those texts, a typed destination with them reaches the
#      summary (screenshots of the setup screen and the pages).
# Screenshots (PNG) go to SHOTS_DIR (default: WINDOWS_BUILD_DIR/gui-shots).
#   scripts/wine-gui-test.sh WINDOWS_BUILD_DIR NATIVE_BUILD_DIR
# Needs: xvfb, fonts-wine; WINEPREFIX set to a prefix of this run's own (test-windows.sh makes one).
set -euo pipefail
win_build=$(cd "$1" && pwd)
native_build=$2
src=$(cd "$(dirname "$0")/.." && pwd)
wine=${WINE:-/usr/bin/wine}
: "${WINEPREFIX:?set WINEPREFIX to a prefix of this run}"
shots=${SHOTS_DIR:-$win_build/gui-shots}
fail() { echo "wine-gui-test: $*" >&2; exit 1; }

cmake --build "$win_build" --target setup setup_driver -j"${JOBS:-2}" >/dev/null
cmake -S "$src" -B "$native_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$native_build" --target vurerode -j"${JOBS:-2}" >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/vurerode-wine-gui.XXXXXX")
xvfb_pid=
cleanup() {
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$shots"

# A display of our own, for the windows only: Xvfb picks a free number and tells it.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
DISPLAY=:$(head -n 1 "$work/display")
export DISPLAY
# The prefix's desktop must start on this display: end a server (and desktop) still running without.
wineserver -k 2>/dev/null || true
# Wine's own menu and desktop entries for shortcuts would be files the uninstaller never made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=};winemenubuilder.exe=d"
# No window manager: no decorations. Tahoma and Marlett from Wine's own fonts.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
# Windows links its interface faces to fonts of the East Asian scripts (FontLink\SystemLink), which
# is how its windows show kanji in Tahoma or Segoe UI; the prefix gets the same links, to the
# host's CJK font (fonts-noto-cjk).
cjk=$(fc-match -f '%{file}' 'Noto Sans CJK JP' 2>/dev/null || true)
case $cjk in
  *CJK*)
    # Tahoma: the message font and "MS Shell Dlg 2"; DejaVu: what Wine draws for Times New Roman and Arial.
    for face in Tahoma "DejaVu Serif" "DejaVu Sans"; do
      "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
        /t REG_MULTI_SZ /d "${cjk##*/},Noto Sans CJK JP" /f >/dev/null 2>&1
    done
    # The edit boxes draw through Uniscribe, whose fallback for a script the font lacks is a face
    # of Windows' own; Wine's names none for Han (hani), Kana (kana) and Hangul (hang) but its own key.
    for tag in 696e6168 616e616b 676e6168; do
      "$wine" reg add 'HKCU\Software\Wine\Uniscribe\Fallback' /v $tag /d 'Noto Sans CJK JP' /f >/dev/null 2>&1
    done
    ;;
  *) echo "wine-gui-test: no CJK font on this host: the kanji check will fail (install fonts-noto-cjk)" >&2 ;;
esac
# The user's shell folders inside the prefix, not links into the host's home.
for link in "$WINEPREFIX"/drive_c/users/*/*; do
  if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
done
cp "$win_build/tests/setup_driver.exe" "$work/"
driver=$work/setup_driver.exe
winpath() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# Media of the sample with extra [Setup] lines.
media() {  # media NAME [LINE...]
  local name=$1
  shift
  cp -r "$src/samples/app" "$work/$name-src"
  mkdir -p "$work/$name-src/cache"
  for line in "$@"; do sed -i "/^\[Setup\]/a $line" "$work/$name-src/vurerode.prj"; done
  "$native_build/tools/vurerode" build --setup "$win_build/ui/setup.exe" "$work/$name-src" "$work/$name" >/dev/null
}

# 1. The setup screen.
logo=$(winpath "$src/samples/app/images/logo.bmp")
check_screen() {  # check_screen NAME STYLE POS [LINE]
  media "$1" "Display Style = $2" "Logo Pos = $3" ${4:+"$4"}
  "$wine" "$driver" screen "$(winpath "$work/$1/setup.exe")" "$(winpath "$shots/$1.png")" "$2" "$logo" "$3" ||
    fail "setup screen $1 ($2, $3)"
  wineserver -w
}
for style in "Solid Color" "Horizontal In" "Horizontal Out" "Vertical In" "Vertical Out" Left Right Up Down; do
  check_screen "style-${style// /-}" "$style" "Upper Right"
done
# The picture effects, with the logo as the background picture too.
for style in "Stretch Bitmap Image" "Tile Bitmap Image"; do
  check_screen "style-${style// /-}" "$style" "Upper Right" 'BitMap = images\\logo.bmp'
done
for pos in "Upper Right" "Bottom Right" "Upper Left (Under Text)" "Bottom Left" "Upper Center" "Lower Center" Center; do
  name=${pos// /-}
  check_screen "logo-${name//[()]/}" "Horizontal In" "$pos"
done

# GIF logos inside their frame: a still one, and one whose three frames take turns.
"$wine" "$driver" gif "$(winpath "$work/logo.gif")"
"$wine" "$driver" anim "$(winpath "$work/anim.gif")"
check_gif() {  # check_gif NAME GIF FRAMES
  rm -rf "$work/gif-src" "$work/$1"
  cp -r "$src/samples/app" "$work/gif-src"
  cp "$2" "$work/gif-src/images/logo.gif"
  sed -i 's/^Logo File = .*/Logo File = images\\logo.gif/' "$work/gif-src/vurerode.prj"
  mkdir -p "$work/gif-src/cache"
  "$native_build/tools/vurerode" build --setup "$win_build/ui/setup.exe" "$work/gif-src" "$work/$1" >/dev/null
  "$wine" "$driver" screen "$(winpath "$work/$1/setup.exe")" "$(winpath "$shots/$1.png")" "Horizontal In" \
    "$(winpath "$2")" "Upper Right" "$3" || fail "the GIF logo $1"
  wineserver -w
}
check_gif logo-gif "$work/logo.gif" 1
check_gif logo-gif-animated "$work/anim.gif" 3

# 2. The install through the wizard.
prefix_c=$WINEPREFIX/drive_c
snapshot() {  # the prefix's files and keys that an install may touch
  (cd "$prefix_c" && find . -path ./windows/temp -prune -o -path './users/*/Temp' -prune -o -path './users/*/AppData/Local/Temp' -prune \
    -o -print | grep -v '/Temp/\|/temp/' | sort)
}
snapshot >"$work/before.txt"
media install
dest='C:\Vurerode GUI'\\
"$wine" "$driver" install "$(winpath "$work/install/setup.exe")" "$dest" "$(winpath "$shots")" ||
  fail "the install through the wizard"
wineserver -w
app="$prefix_c/Vurerode GUI"
for f in README.TXT LICENSE.TXT docs/manual.txt uninstaller.cfg setup.exe; do
  [ -e "$app/$f" ] || fail "no $f in the chosen destination"
done
grep -q 'Installed=1' "$prefix_c/windows/vsample.ini" || fail "vsample.ini not written"
find "$prefix_c/users" -path '*Start Menu*/Vurerode Sample/Read Me.lnk' | grep -q . || fail "no Read Me.lnk in the program folder"
find "$prefix_c/users" -path '*Desktop/Manual.lnk' | grep -q . || fail "the ticked Desktop row made no Manual.lnk"
# The row ticked with Space reached the installation (a bare prefix has no Quick Launch folder for
# the shortcut itself; the log records the place all the same).
grep -q 'Quick Launch\\Manual.lnk=' "$app/uninstaller.cfg" || fail "the Quick Launch row ticked with Space was not installed"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vurerode Sample 1.0'
"$wine" reg query "$key" | tr -d '\r' >"$work/entry.txt" || fail "no uninstall entry"
grep -q 'InstallLocation    REG_SZ    C:\\Vurerode GUI' "$work/entry.txt" || { cat "$work/entry.txt"; fail "InstallLocation"; }
"$wine" reg query 'HKLM\Software\Vurerode\Sample' | grep -q 'Version    REG_SZ    1.0' || fail "registry entry missing"
echo "wine-gui-test: installed through the wizard into $dest: files, shortcuts, INI and registry entries"

# 3. The uninstaller page, as Add/Remove Programs starts it.
uninstall=$(sed -n 's/^    UninstallString    REG_SZ    //p' "$work/entry.txt")
# The program, quoted or not, then its arguments (the title).
if [ "${uninstall#\"}" != "$uninstall" ]; then
  program=${uninstall#\"} && program=${program%%\"*} && args=${uninstall#"\"$program\""}
else
  program=${uninstall%%.[eE][xX][eE]*}.exe && args=${uninstall#"$program"}
fi
args=${args# }
# shellcheck disable=SC2086
"$wine" "$driver" uninstall "$program" "$(winpath "$shots")" $args || fail "the uninstaller page"
wineserver -w
[ ! -e "$app" ] || { ls -la "$app"; fail "the installation directory is still there"; }
! "$wine" reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry is still there"
! "$wine" reg query 'HKLM\Software\Vurerode' >/dev/null 2>&1 || fail "HKLM\\Software\\Vurerode is still there"
snapshot >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" || fail "the prefix is not as before"
echo "wine-gui-test: removed through the uninstaller page: the prefix is as before"

# 4. Names outside ASCII: accents and kanji in the title, the folders and a shortcut.
title='Café Ünïcödé 日本語' folder='Lisez-moi 日本語' shortcut='Éditeur 日本語'
cp -r "$src/samples/app" "$work/unicode-src"
mkdir -p "$work/unicode-src/cache"
sed -i -e "s/^Title = .*/Title = $title/" -e "s/^Main Directory = .*/Main Directory = $title/" \
  -e "s/^Desktop Folder = .*/Desktop Folder = $folder/" "$work/unicode-src/vurerode.prj"
sed -i "/^\[Shortcuts\]/a $shortcut = README.TXT, $folder, start menu" "$work/unicode-src/vurerode.prj"
"$native_build/tools/vurerode" build --setup "$win_build/ui/setup.exe" "$work/unicode-src" "$work/unicode" >/dev/null ||
  fail "the builder refused the names of the project outside ASCII"
printf '%s\n' "$title" "$folder" "$shortcut" 'C:\Programme\Café 日本語' >"$work/unicode.txt"
"$wine" "$driver" unicode "$(winpath "$work/unicode/setup.exe")" "$(winpath "$shots")" "$(winpath "$work/unicode.txt")" ||
  fail "the names outside ASCII"
wineserver -w
echo "wine-gui-test: a title, folder and shortcut of accents and kanji shown and read back exactly"
echo "wine-gui-test: screenshots in $shots"
