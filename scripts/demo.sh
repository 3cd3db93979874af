#!/usr/bin/env bash
# The main job on the bundled sample: build the tools and the Windows setup.exe, build the sample's
# distribution media with `vurerode build`, install them unattended into a fresh sandbox machine
# with `setup`, show what was installed, then rehearse the whole round trip with `vurerode
# rehearse`: install, remove through the uninstall entry as Add/Remove Programs would, and show
# that the machine is as it was before, but for what the design leaves behind.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh demo

echo "== building vurerode, setup and the Windows setup.exe"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVURERODE_TESTS=OFF -DVURERODE_BENCH=OFF >/dev/null
cmake --build build/release --target vurerode setup -j"$(nproc)" >/dev/null
scripts/build-setup.sh >/dev/null
tool=$PWD/build/release/tools/vurerode
setup=$PWD/build/release/ui/setup

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
machine=$work/machine
media=$work/media
cp -r samples/app "$work/sample"
mkdir -p "$work/sample/cache"  # an empty folder, which git cannot keep

echo
echo "== vurerode build samples/app MEDIA (the installer shipped: build/windows/ui/setup.exe)"
"$tool" build "$work/sample" "$media"
(cd "$media" && ls -l)
"$tool" test "$media/disk.001" >/dev/null && echo "vurerode test: every file of the set decodes and matches its checksums"

echo
echo "== setup --sandbox MACHINE --media MEDIA /SILENT (a fresh machine; the media mounted as A:)"
"$setup" --sandbox "$machine" --media "$media" /SILENT /LOG="$work/install.log"

dir="$machine/drive_c/Program Files/Vurerode Sample"
win="$machine/drive_c/WINDOWS"
echo
echo "== installed files: C:\\Program Files\\Vurerode Sample"
(cd "$dir" && { find . -type f -printf '  %P  (%s bytes)\n'; find . -mindepth 1 -type d -empty -printf '  %P\\  (empty folder)\n'; } |
  tr / '\\' | sort)
echo
echo "== shortcuts, with their targets as lnkinfo reads them"
find "$win" -name '*.lnk' | sort | while read -r lnk; do
  target=$(lnkinfo "$lnk" 2>/dev/null | sed -n 's/^[[:space:]]*Local path[[:space:]]*:[[:space:]]*//p' | head -n 1)
  echo "  C:\\WINDOWS\\$(realpath --relative-to="$win" "$lnk" | tr / '\\')  ->  $target"
done
echo
echo "== INI values: C:\\WINDOWS\\vsample.ini"
tr -d '\r' <"$win/vsample.ini" | sed 's/^/  /'
echo
echo "== registry values, and the uninstall entry Add/Remove Programs shows"
iconv -f UTF-16 -t UTF-8 "$machine/registry.reg" | tr -d '\r' |
  awk '/^\[/{key=$0} /^"/ && (key ~ /Vurerode/){ if (key != last) { print "  " key; last = key } print "    " $0 }'
echo
echo "== uninstaller.cfg, the log the uninstaller removes by"
tr -d '\r' <"$dir/uninstaller.cfg" | sed 's/^/  /'
echo
echo "== programs the run started (journal.log; host programs are not run unless asked)"
sed 's/^/  /' "$machine/journal.log"

echo
echo "== vurerode rehearse MEDIA: install, remove through the uninstall entry, compare"
"$tool" rehearse "$media"

echo
echo "== vurerode build --single-file samples/app SINGLE: one setup.exe carrying the whole set"
"$tool" build --single-file "$work/sample" "$work/single"
(cd "$work/single" && ls -l)
"$tool" test "$work/single/setup.exe" >/dev/null &&
  echo "vurerode test: the single file is whole, and every file of the set inside decodes and matches"
echo
echo "== setup --sandbox MACHINE2 --media SINGLE /SILENT: the same installation, from the one file"
"$setup" --sandbox "$work/machine2" --media "$work/single" /SILENT
diff -r "$dir" "$work/machine2/drive_c/Program Files/Vurerode Sample" >/dev/null &&
  echo "the installed files are the same as from the set"
