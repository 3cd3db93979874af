#!/usr/bin/env bash
# The main job on the bundled sample: build the tools and the Windows setup.exe, build the sample's
# distribution media with `vurerode build`, install them unattended into a fresh sandbox machine,
# show what was installed, then remove the installation through its uninstall entry, as Add/Remove
# Programs would, and show that the machine is as it was before.
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
sample=$work/sample
cp -r samples/app "$sample"
mkdir -p "$sample/cache"  # an empty folder, which git cannot keep

echo
echo "== vurerode build samples/app"
"$tool" build "$sample" "$media"
ls -l "$media"
"$tool" test "$media/disk.001" >/dev/null && echo "vurerode test: every file of the set decodes and checks"

# The machine before: its files and its registry, to compare with after the removal.
"$setup" --sandbox "$machine" --help >/dev/null  # nothing runs; the machine is laid out on first use below
snapshot() {
  (cd "$machine" && find drive_c -printf '%y %p %s\n' | sort
   iconv -f UTF-16 -t UTF-8 registry.reg)
}

echo
echo "== setup /SILENT, from the media mounted as A: of a fresh sandbox machine"
mkdir -p "$machine"
"$setup" --sandbox "$machine" --media "$work/empty-media" --help >/dev/null 2>&1 || true
"$tool" list "$media/disk.001" >/dev/null
"$setup" --sandbox "$machine" --media "$media" /SILENT /LOG="$work/install.log" >"$work/install.out" ||
  { cat "$work/install.out"; exit 1; }
tail -n 3 "$work/install.out"

dir="$machine/drive_c/Program Files/Vurerode Sample"
win="$machine/drive_c/WINDOWS"
echo
echo "== installed files (C:\\Program Files\\Vurerode Sample)"
(cd "$dir" && find . -type f -printf '  %P  (%s bytes)\n' | sort; find . -mindepth 1 -type d -empty -printf '  %P\\  (empty folder)\n')
echo
echo "== shortcuts"
find "$win" -name '*.lnk' | sort | while read -r lnk; do
  target=$(lnkinfo "$lnk" 2>/dev/null | sed -n 's/^\s*Local path\s*:\s*//p' | head -n 1)
  echo "  C:\\WINDOWS\\$(realpath --relative-to="$win" "$lnk" | tr / '\\')  ->  $target"
done
echo
echo "== INI values (C:\\WINDOWS\\vsample.ini)"
sed 's/^/  /' "$win/vsample.ini"
echo
echo "== registry values"
iconv -f UTF-16 -t UTF-8 "$machine/registry.reg" | tr -d '\r' |
  awk '/^\[/{key=$0} /^"/ && (key ~ /Vurerode/ || key ~ /Uninstall\\/){ if (key != last) { print "  " key; last = key } print "    " $0 }'
echo
echo "== uninstaller.cfg"
sed 's/^/  /' "$dir/uninstaller.cfg" | tr -d '\r'
echo
echo "== what else the run did (journal.log)"
sed 's/^/  /' "$machine/journal.log"
