#!/usr/bin/env bash
# The -lh5- benchmark in one run: builds lh5_bench, assembles the corpus (over 50 MB of programs,
# libraries, documents and images from this machine; see bench/corpus.h), times our encoder and
# decoder on it, times bsdtar and 7z extracting our coded corpus and jlha coding the same files,
# compares coded sizes with jlha's, and prints a table with the targets.
#
#   bench/run.sh [BUILD_DIR]        (default BUILD_DIR: build-bench beside this folder)
#
# Environment: BENCH_WORK (work folder, default $TMPDIR/vurerode-lh5-bench), BENCH_REPS (best of
# how many runs, default 3), JLHA_REPS (default 1: jlha is slow).
#
# Times are processor time (user + system), best of the runs, so that a busy machine slows the
# figures less; jlha's time includes its JVM's start and compiler threads. Wall times are shown
# for the peers as well.
set -euo pipefail
export LC_ALL=C

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
work=${BENCH_WORK:-${TMPDIR:-/tmp}/vurerode-lh5-bench}
reps=${BENCH_REPS:-3}
jlha_reps=${JLHA_REPS:-1}

for tool in bsdtar 7z jlha /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool is needed" >&2; exit 1; }
done

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVURERODE_TESTS=OFF >/dev/null
cmake --build "$build" --target lh5_bench -j2 >/dev/null
bench=$build/bench/lh5_bench
mkdir -p "$work"

echo "building the corpus in $work/corpus ..." >&2
"$bench" corpus "$work/corpus" >"$work/corpus.env"
echo "timing our encoder and decoder ..." >&2
"$bench" measure "$work/corpus" "$reps" "$work/ours.lzh" >"$work/ours.env"
# shellcheck disable=SC1091
. "$work/ours.env"

# best_time N CMD...: runs CMD (stdout discarded) N times; prints "cpu wall" of the fastest run.
best_time() {
  local n=$1 best_cpu="" best_wall="" i cpu wall
  shift
  for ((i = 0; i < n; i++)); do
    if ! /usr/bin/time -f '%U %S %e' -o "$work/time.txt" "$@" >/dev/null 2>"$work/stderr.txt"; then
      echo "run.sh: failed: $*" >&2
      cat "$work/stderr.txt" >&2
      exit 1
    fi
    read -r cpu wall < <(awk '{print $1 + $2, $3}' "$work/time.txt")
    if [ -z "$best_cpu" ] || awk -v a="$cpu" -v b="$best_cpu" 'BEGIN { exit !(a < b) }'; then
      best_cpu=$cpu
      best_wall=$wall
    fi
  done
  echo "$best_cpu $best_wall"
}

echo "timing bsdtar and 7z extracting our archive ..." >&2
read -r bsdtar_cpu bsdtar_wall < <(best_time "$reps" bsdtar -xOf "$work/ours.lzh")
read -r sevenz_cpu sevenz_wall < <(best_time "$reps" 7z x -so "$work/ours.lzh")
[ -n "${bsdtar_cpu:-}" ] && [ -n "${sevenz_cpu:-}" ] || exit 1

echo "timing jlha coding the same files ..." >&2
rm -f "$work/jlha.lzh"
names=$(cut -f1 "$work/corpus/MANIFEST" | tr '\n' ' ')
# shellcheck disable=SC2086
read -r jlha_cpu jlha_wall < <(cd "$work/corpus" && best_time "$jlha_reps" sh -c "rm -f '$work/jlha.lzh' && jlha c2o5q '$work/jlha.lzh' $names")
[ -n "${jlha_cpu:-}" ] || exit 1
"$bench" sizes "$work/ours.lzh" "$work/jlha.lzh" >"$work/sizes.env"
# shellcheck disable=SC1091
. "$work/sizes.env"

awk -v bytes="$CORPUS_BYTES" -v files="$CORPUS_FILES" \
  -v dec="$OURS_DECODE_SECONDS" -v enc="$OURS_ENCODE_SECONDS" -v coded="$OURS_CODED_BYTES" \
  -v bsd="$bsdtar_cpu" -v bsdw="$bsdtar_wall" -v sz="$sevenz_cpu" -v szw="$sevenz_wall" \
  -v jl="$jlha_cpu" -v jlw="$jlha_wall" -v heap="$DECODER_HEAP_BYTES" \
  -v jlbytes="$JLHA_LH5_BYTES" -v oursame="$OURS_SAME_FILES_BYTES" -v jlmembers="$JLHA_LH5_MEMBERS" \
  -v jlall="$JLHA_ALL_BYTES" -v oursall="$OURS_ALL_BYTES" '
  function mbs(t) { return bytes / t / 1e6 }
  function verdict(ok) { return ok ? "met" : "NOT MET" }
  BEGIN {
    printf "\ncorpus: %d files, %.1f MB\n\n", files, bytes / 1e6
    printf "%-28s %10s %10s %10s\n", "", "CPU s", "MB/s", "wall s"
    printf "%-28s %10.3f %10.1f %10s\n", "decode: ours (lh5, CodecIO)", dec, mbs(dec), "-"
    printf "%-28s %10.3f %10.1f %10.3f\n", "decode: bsdtar -xOf", bsd, mbs(bsd), bsdw
    printf "%-28s %10.3f %10.1f %10.3f\n", "decode: 7z x -so", sz, mbs(sz), szw
    printf "%-28s %10.3f %10.1f %10s\n", "encode: ours (lh5, CodecIO)", enc, mbs(enc), "-"
    printf "%-28s %10.3f %10.1f %10.3f\n", "encode: jlha c2o5", jl, mbs(jl), jlw
    fastest = bsd < sz ? bsd : sz
    decRatio = fastest / dec
    encRatio = jl / enc
    sizeRatio = oursame / jlbytes
    printf "\ncoded size: ours %d bytes in all (%.2f%% of the input)\n", coded, 100 * coded / bytes
    printf "  the %d files jlha coded with -lh5-: jlha %d bytes, ours %d bytes (ours/jlha %.4f)\n", \
      jlmembers, jlbytes, oursame, sizeRatio
    printf "  every file, stored when coding does not shrink it: jlha %d, ours %d (%.4f)\n", jlall, oursall, \
      oursall / jlall
    printf "decoder heap beyond the two 8 KiB CodecIO buffers: %d bytes\n\n", heap
    printf "targets:\n"
    printf "  decoding >= 2x the fastest peer:  %.2fx  %s\n", decRatio, verdict(decRatio >= 2)
    printf "  encoding >= 2x jlha:              %.2fx  %s\n", encRatio, verdict(encRatio >= 2)
    printf "  size <= jlha -lh5- + 0.1%%:        %.4f  %s\n", sizeRatio, verdict(sizeRatio <= 1.001)
    printf "  decoder memory < 64 KiB:          %d  %s\n", heap, verdict(heap < 65536)
  }'
