#!/usr/bin/env bash
# Benchmarks of the setup program on media built from the 50+ MB corpus:
#   sandbox   `setup --sandbox --media /SILENT` into a fresh machine against bsdtar extracting the
#             same files from one .lzh and `cp -r` copying them into place (what an installer does
#             at the least); with setup's peak memory (VmHWM);
#   sizes     the media (every file, setup.exe included) as a set, as one setup.exe and as a set of
#             the lh5 method, against the installers makensis makes of the same files with zlib and
#             with solid LZMA, and `tar | xz -9e` and `tar | zstd -19 --long=27` of the corpus;
#   wine      under Wine, in one fresh prefix: our setup.exe /SILENT against both makensis
#             installers, silent (/S), in alternating rounds (bench/wine_alternate.py); then the
#             zlib one's uninstaller against ours, both deleting file by file (with the size of our
#             log); each run again over its own installation; and the single setup.exe against the
#             set it carries;
#   build     `vurerode build --single-file` against building the set;
#   journal   what the transaction's journal costs: setup_unjournalled, the same program built
#             without it (bench/unjournalled_transaction.h), installs the same set in the same runs,
#             on the sandbox and in the Wine rounds (target: the journal costs at most 10%).
# Times are hyperfine means of wall time, but for the alternating rounds (medians of
# VURERODE_BENCH_RUNS rounds, default 7). With BASELINE=REF (a git commit, e.g. one before the
# installation became a transaction), that commit's setup and setup.exe install the same media in
# the same runs, so that what a change costs is measured against the program without it.
#   [BASELINE=REF] bench/setup_bench.sh [WORK_DIR]   (a tmpfs such as /dev/shm/x measures the programs, not the disk)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=${1:-$(mktemp -d)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
for tool in hyperfine bsdtar jlha makensis wine; do
  command -v "$tool" >/dev/null || { echo "setup_bench: $tool is missing (apt-get install hyperfine libarchive-tools jlha-utils nsis wine)" >&2; exit 1; }
done

cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DVURERODE_TESTS=OFF >/dev/null
cmake --build build/bench --target vurerode setup setup_unjournalled -j2 >/dev/null
scripts/build-setup.sh >/dev/null
cmake --build build/windows --target setup_unjournalled -j2 >/dev/null
vurerode=$root/build/bench/tools/vurerode
setup=$root/build/bench/ui/setup
unjournalled=$root/build/bench/ui/setup_unjournalled
if [ -n "${BASELINE:-}" ]; then
  base_src=$root/build/bench-baseline-src
  [ -d "$base_src" ] || git worktree add --detach "$base_src" "$BASELINE" >/dev/null
  git -C "$base_src" checkout -q --detach "$BASELINE"
  cmake -S "$base_src" -B "$base_src/build/bench" -DCMAKE_BUILD_TYPE=Release -DVURERODE_TESTS=OFF >/dev/null
  cmake --build "$base_src/build/bench" --target setup -j2 >/dev/null
  (cd "$base_src" && scripts/build-setup.sh >/dev/null)
  base_setup=$base_src/build/bench/ui/setup
fi

corpus=$work/corpus
[ -d "$corpus" ] || bench/corpus.sh "$corpus"
bytes=$(du -sb "$corpus" | cut -f1)
echo "corpus: $(find "$corpus" -type f | wc -l) files, $bytes bytes"
cd "$work"
rm -rf media && mkdir -p media
printf '[Setup]\nTitle = Bench\nMain Directory = Bench\n' > "$corpus/vurerode.prj"
"$vurerode" build --setup "$root/build/windows/ui/setup.exe" "$corpus" media >/dev/null
# The same set as one setup.exe, and what building it costs over building the set.
rm -rf single && "$vurerode" build --setup "$root/build/windows/ui/setup.exe" --single-file "$corpus" single >/dev/null
# The same set with the setup.exe that keeps no journal.
rm -rf media-unj && cp -r media media-unj && cp "$root/build/windows/ui/setup_unjournalled.exe" media-unj/setup.exe
rm -rf media-lh5 && "$vurerode" build --setup "$root/build/windows/ui/setup.exe" -m lh5 "$corpus" media-lh5 >/dev/null
hyperfine --warmup 1 --runs 5 --export-json build.json --prepare 'rm -rf build-out' \
  -n "build --single-file" "'$vurerode' build --setup '$root/build/windows/ui/setup.exe' --single-file '$corpus' build-out" \
  -n "build (set)" "'$vurerode' build --setup '$root/build/windows/ui/setup.exe' '$corpus' build-out" >/dev/null
rm -f "$corpus/vurerode.prj"
if [ -n "${BASELINE:-}" ]; then  # the same media, with the baseline's setup.exe
  rm -rf media-base && cp -r media media-base
  cp "$base_src/build/windows/ui/setup.exe" media-base/setup.exe
fi
(cd "$corpus" && find . -type f | sed 's|^\./||' | LC_ALL=C sort > "$work/files.txt")
[ -f corpus.lzh ] || (cd "$corpus" && xargs -a "$work/files.txt" -d '\n' jlha a "$work/corpus.lzh" >/dev/null)

cat > bench.nsi <<NSI
Target amd64-unicode
Name "BenchNSIS"
OutFile "nsis-setup.exe"
InstallDir "\$PROGRAMFILES\\BenchNSIS"
RequestExecutionLevel admin
SetCompressor zlib
Section
  SetOutPath "\$INSTDIR"
  File /r "corpus\\*.*"
  WriteUninstaller "\$INSTDIR\\uninstall.exe"
  WriteRegStr HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\BenchNSIS" "DisplayName" "BenchNSIS"
  WriteRegStr HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\BenchNSIS" "UninstallString" "\$INSTDIR\\uninstall.exe"
SectionEnd
NSI
# The uninstaller deletes each file by its name and then each folder when empty, inner ones first,
# as ours does from its log (RMDir /r would not be like for like).
{
  echo 'Section "Uninstall"'
  sed 's|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|' "$work/files.txt"
  (cd "$corpus" && find . -mindepth 1 -type d | sed 's|^\./||' | awk -F/ '{print NF "\t" $0}' | sort -rn | cut -f2-) |
    sed 's|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|'
  echo '  Delete "$INSTDIR\uninstall.exe"'
  echo '  RMDir "$INSTDIR"'
  echo '  DeleteRegKey HKLM "Software\Microsoft\Windows\CurrentVersion\Uninstall\BenchNSIS"'
  echo 'SectionEnd'
} >> bench.nsi
# The same installer coded as one solid LZMA stream, NSIS's smallest.
sed 's|^OutFile .*|OutFile "nsis-lzma-setup.exe"|; s|^SetCompressor .*|SetCompressor /SOLID lzma|' bench.nsi > bench-lzma.nsi
makensis -V1 bench.nsi
makensis -V1 bench-lzma.nsi

# Peers that are no installers, for reference: the corpus as one tar, in sorted path order.
tar_corpus() { tar -C "$corpus" --owner=0 --group=0 --numeric-owner -cf - -T "$work/files.txt"; }
[ -f corpus.tar.xz ] || tar_corpus | xz -9e -T1 > corpus.tar.xz
[ -f corpus.tar.zst ] || tar_corpus | zstd -q -19 --long=27 -T1 > corpus.tar.zst

echo
echo "== media sizes: every file of the media, setup.exe included"
python3 "$root/bench/size_table.py" "NSIS solid lzma" "NSIS zlib" \
  "our set (zstd)=media" "our single file (zstd)=single/setup.exe" "our set (-m lh5)=media-lh5" \
  "NSIS zlib=nsis-setup.exe" "NSIS solid lzma=nsis-lzma-setup.exe" \
  "tar | xz -9e=corpus.tar.xz" "tar | zstd -19 --long=27=corpus.tar.zst"
echo "our setup.exe alone: $(stat -c %s media/setup.exe) bytes"
python3 - media nsis-lzma-setup.exe nsis-setup.exe <<'PY'
import os, sys
ours = sum(os.path.getsize(os.path.join(d, n)) for d, _, ns in os.walk(sys.argv[1]) for n in ns)
lzma, zlib = (os.path.getsize(p) for p in sys.argv[2:4])
print(f"our set: {ours / lzma:.3f} times NSIS solid lzma (target: at most 1.15), "
      f"{ours / zlib:.3f} times NSIS zlib (target: under 1)")
PY

mean() { python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["results"][int(sys.argv[2])]["mean"])' "$@"; }
ratio() { python3 -c 'import sys; a,b=float(sys.argv[1]),float(sys.argv[2]); print(f"{a:.3f} s against {b:.3f} s: {a/b:.2f} times as long")' "$@"; }

echo "Building the single file against the set: $(ratio "$(mean build.json 0)" "$(mean build.json 1)") (target: at most 1.10)"
echo
echo "== sandbox: setup /SILENT against bsdtar -x then cp -r"
hyperfine --warmup 1 --runs 5 --export-json sandbox.json \
  --prepare 'rm -rf machine x y; sync' \
  -n "setup --sandbox /SILENT" "$setup --sandbox machine --media media /SILENT" \
  -n "bsdtar -x + cp -r" "mkdir x && bsdtar -xf corpus.lzh -C x && cp -r x y"
echo "sandbox install: $(ratio "$(mean sandbox.json 0)" "$(mean sandbox.json 1)") (target: at most 1.5)"
if [ -n "${BASELINE:-}" ]; then
  hyperfine --warmup 1 --runs 7 --export-json sandbox-base.json --prepare 'rm -rf machine; sync' \
    -n "setup --sandbox /SILENT" "$setup --sandbox machine --media media /SILENT" \
    -n "baseline setup --sandbox /SILENT" "$base_setup --sandbox machine --media media /SILENT"
  echo "sandbox install against $BASELINE: $(ratio "$(mean sandbox-base.json 0)" "$(mean sandbox-base.json 1)") (target: at most 1.10)"
fi
hyperfine --warmup 1 --runs 7 --export-json sandbox-journal.json --prepare 'rm -rf machine; sync' \
  -n "setup --sandbox /SILENT" "$setup --sandbox machine --media media /SILENT" \
  -n "setup_unjournalled --sandbox /SILENT" "$unjournalled --sandbox machine --media media /SILENT"
echo "sandbox install, the journal's cost: $(ratio "$(mean sandbox-journal.json 0)" "$(mean sandbox-journal.json 1)") (target: at most 1.10)"
rm -rf machine
echo "setup's peak memory: $("$root/bench/peak_memory.sh" "$setup" --sandbox machine --media media /SILENT) KB (VmHWM; target under 153600: a zstd window of up to 16 MiB is held whole)"
# The log of that fresh installation names every installed file by its path and every folder it
# made: its size tells what the removal reads.
log="machine/drive_c/Program Files/Bench/uninstaller.cfg"
echo "uninstaller.cfg: $(stat -c %s "$log") bytes, $(grep -c '=' "$log") lines with a key"

echo
echo "== Wine: setup.exe /SILENT against the makensis installers /S (zlib, solid lzma), one fresh prefix"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY || true
rm -rf "$WINEPREFIX"
wine wineboot --init >/dev/null 2>&1
wine cmd /c exit 0 >/dev/null 2>&1
pf="$WINEPREFIX/drive_c/Program Files"
# Windows folds case: files whose paths differ only in case install as one.
installed=$(tr '[:upper:]' '[:lower:]' < "$work/files.txt" | LC_ALL=C sort -u | wc -l)
python3 "$root/bench/wine_alternate.py" "${VURERODE_BENCH_RUNS:-7}" "$installed" \
  "ours" "$pf/Bench" "cd media && wine setup.exe /SILENT" \
  "NSIS zlib" "$pf/BenchNSIS" "wine nsis-setup.exe /S" \
  "NSIS lzma" "$pf/BenchNSIS" "wine nsis-lzma-setup.exe /S" \
  "ours unjournalled" "$pf/Bench" "cd media-unj && wine setup.exe /SILENT"
echo "Wine install targets: ours / NSIS zlib at most 0.90; ours / ours unjournalled (the journal's cost) at most 1.10"
hyperfine --warmup 1 --runs 7 --export-json wine-single.json --prepare "rm -rf '$pf/Bench'" \
  -n "single setup.exe /SILENT" "cd single && wine setup.exe /SILENT" \
  -n "set's setup.exe /SILENT" "cd media && wine setup.exe /SILENT"
echo "Wine install, single file against the set: $(ratio "$(mean wine-single.json 0)" "$(mean wine-single.json 1)") (target: no longer)"
# Each installer run again over its own installation, as every update is: ours saves each file it
# replaces for a rollback, NSIS writes over them.
hyperfine --warmup 1 --runs 5 --export-json wine-again.json \
  -n "setup.exe /SILENT over itself" "cd media && wine setup.exe /SILENT" \
  -n "makensis installer /S over itself" "wine nsis-setup.exe /S"
echo "Wine install over an installation: $(ratio "$(mean wine-again.json 0)" "$(mean wine-again.json 1)") (no target)"
if [ -n "${BASELINE:-}" ]; then
  hyperfine --warmup 1 --runs 7 --export-json wine-base.json --prepare "rm -rf '$pf/Bench'" \
    -n "setup.exe /SILENT" "cd media && wine setup.exe /SILENT" \
    -n "baseline setup.exe /SILENT" "cd media-base && wine setup.exe /SILENT"
  echo "Wine install against $BASELINE: $(ratio "$(mean wine-base.json 0)" "$(mean wine-base.json 1)") (target: at most 1.10)"
fi

# Removal: each uninstaller on a fresh installation, timed until its folder is gone (ours leaves
# setup.exe and the folder to a batch that runs once it has ended). NSIS's runs in place with _?=
# (otherwise it copies itself away and returns at once); ours is the installed setup.exe with its
# title.
gone() { echo "n=0; while [ -d '$pf/$1' ] && [ \$n -lt 3000 ]; do sleep 0.01; n=\$((n+1)); done"; }
hyperfine --warmup 1 --runs 5 --export-json wine-remove.json \
  --prepare "cd media && wine setup.exe /SILENT >/dev/null && cd .. && wine nsis-setup.exe /S" \
  -n "setup.exe Bench /SILENT" "wine 'C:\\Program Files\\Bench\\setup.exe' Bench /SILENT; $(gone Bench)" \
  -n "NSIS uninstall.exe /S" "wine 'C:\\Program Files\\BenchNSIS\\uninstall.exe' /S '_?=C:\\Program Files\\BenchNSIS'; $(gone BenchNSIS)"
echo "Wine removal: $(ratio "$(mean wine-remove.json 0)" "$(mean wine-remove.json 1)") (target: no longer)"
wineserver -k || true
