#!/usr/bin/env bash
# Benchmarks of segmented sets on one corpus of 50+ MB:
#   expansion  `vurerode unpack` of a set built from the corpus against bsdtar extracting the same
#              files from one .lzh archive (made by jlha), both into the same file system, in
#              alternating runs (bench/expand_compare.py): the range of the time ratios, and the
#              peak memory of the expansion as the kernel counts it (VmHWM, polled while it runs);
#   building   `vurerode build` of the corpus against jlha archiving the same files.
# Building throughput is corpus bytes per second of wall time (hyperfine means).
#   bench/segment_bench.sh [BUILD_DIR] [WORK_DIR]
# BUILD_DIR defaults to build/bench (configured Release here, or VURERODE_BENCH_BUILD_TYPE, with
# VURERODE_BENCH_CXXFLAGS added); WORK_DIR to a fresh temporary folder, where the media, the
# archives and the expanded copies go (point it at a tmpfs such as /dev/shm/x to measure the tools
# rather than a busy disk). The corpus comes from bench/corpus.sh (files of this machine).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/bench}
work=${2:-$(mktemp -d)}
mkdir -p "$work"
work=$(cd "$work" && pwd)

for tool in hyperfine bsdtar jlha python3; do
  command -v "$tool" >/dev/null || { echo "segment_bench: $tool is missing" >&2; exit 1; }
done

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE="${VURERODE_BENCH_BUILD_TYPE:-Release}" \
  -DCMAKE_CXX_FLAGS="${VURERODE_BENCH_CXXFLAGS:-}" -DVURERODE_TESTS=OFF >/dev/null
cmake --build "$build" --target vurerode -j2 >/dev/null
vurerode=$(cd "$build" && pwd)/tools/vurerode

corpus=$work/corpus
if [ ! -d "$corpus" ]; then
  bench/corpus.sh "$corpus"
fi
bytes=$(du -sb "$corpus" | cut -f1)
files=$(find "$corpus" -type f | wc -l)
echo "corpus: $files files, $bytes bytes"

cd "$work"
rm -rf media out-set out-lzh tmp && mkdir -p tmp
export TMPDIR=$work/tmp  # the set reader's work copy lives on the same file system as the output
# The smallest file build takes for a Windows program: "MZ", e_lfanew at 0x3C pointing at "PE\0\0".
{ printf 'MZ'; head -c 58 /dev/zero; printf '\100\0\0\0PE\0\0'; } > setup.exe
"$vurerode" build --setup setup.exe -m lh5 "$corpus" media >/dev/null
(cd "$corpus" && find . -type f | sed 's|^\./||' | LC_ALL=C sort > "$work/files.txt")
rm -f corpus.lzh
(cd "$corpus" && xargs -a "$work/files.txt" -d '\n' jlha a "$work/corpus.lzh" >/dev/null)
echo "set: $(ls media/disk.* | wc -l) segments, $(cat media/disk.* | wc -c) bytes; corpus.lzh: $(stat -c %s corpus.lzh) bytes"

mean() { python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["results"][int(sys.argv[2])]["mean"])' "$@"; }

echo
echo "== expansion"
python3 "$root/bench/expand_compare.py" "$vurerode" media/disk.001 corpus.lzh "$work" "${VURERODE_BENCH_RUNS:-7}"
diff -r "$corpus" "out-set/Source/$(basename "$corpus")" >/dev/null && echo "the expanded set is identical to the corpus"
rm -rf out-set out-lzh

echo
echo "== building"
hyperfine --warmup 1 --runs 3 --export-json build.json \
  --prepare 'rm -rf media-b build.lzh' \
  -n "vurerode build" "$vurerode build --setup setup.exe -m lh5 $corpus media-b" \
  -n "vurerode build -j1" "$vurerode build -j1 --setup setup.exe -m lh5 $corpus media-b" \
  -n "jlha a" "cd $corpus && xargs -a $work/files.txt -d '\n' jlha a $work/build.lzh"
build_s=$(mean build.json 0)
build1_s=$(mean build.json 1)
jlha_s=$(mean build.json 2)
python3 - "$bytes" "$build_s" "$build1_s" "$jlha_s" "$(nproc)" <<'PY'
import sys
b, s, s1, t, n = int(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4]), sys.argv[5]
print(f"vurerode build ({n} processors): {b / s / 1e6:6.1f} MB/s   one thread: {b / s1 / 1e6:6.1f} MB/s   "
      f"jlha: {b / t / 1e6:6.1f} MB/s   ratio {t / s:.2f}x, one thread {t / s1:.2f}x (target >= 2x)")
PY
rm -rf media-b build.lzh
