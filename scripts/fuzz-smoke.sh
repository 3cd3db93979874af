#!/usr/bin/env bash
# Builds every libFuzzer target with clang in BUILD_DIR and runs each for SECONDS (default 30) from
# a seed corpus made with the library itself. Exits non-zero when any target finds a crash, a leak,
# a sanitizer report or a time-out; the failing inputs are kept in BUILD_DIR/fuzz-artifacts.
#   scripts/fuzz-smoke.sh BUILD_DIR [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [SECONDS]" >&2
  exit 2
fi
build=$1
seconds=${2:-30}
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

CXX=${CXX:-clang++}
if ! command -v "$CXX" >/dev/null; then
  echo "fuzz-smoke: $CXX not found (install clang and libclang-rt-14-dev)" >&2
  exit 1
fi

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER="$CXX" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVURERODE_FUZZ=ON \
  -DVURERODE_TESTS=OFF -DVURERODE_BENCH=OFF >/dev/null
cmake --build "$build" --target vurerode_fuzzers -j"$jobs" >/dev/null

seeds=$build/fuzz-seeds
artifacts=$build/fuzz-artifacts
rm -rf "$seeds"
mkdir -p "$artifacts"
"$build/fuzz/vurerode_fuzz_seeds" "$seeds"

failed=()
ran=0
for target in "$build"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  kind=${name#fuzz_}
  # Seeds by what the target reads: archives, coded streams of its codec, or plain bytes.
  case "$kind" in
    *_roundtrip) seed=$seeds/plain ;;
    *) seed=$seeds/$kind ;;
  esac
  [ -d "$seed" ] || seed=$seeds/plain
  corpus=$build/fuzz-corpus/$name
  mkdir -p "$corpus"
  echo "== $name: ${seconds}s from $(ls "$seed" | wc -l) seeds"
  log=$build/fuzz-$name.log
  if "$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$name-" "$corpus" "$seed" >"$log" 2>&1; then
    grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true
  else
    echo "!! $name failed; last lines of $log:"
    tail -30 "$log"
    failed+=("$name")
  fi
  ran=$((ran + 1))
done

if [ "$ran" -eq 0 ]; then
  echo "fuzz-smoke: no fuzz targets were built" >&2
  exit 1
fi
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz-smoke: ${#failed[@]} of $ran targets failed: ${failed[*]} (inputs in $artifacts)" >&2
  exit 1
fi
echo "fuzz-smoke: $ran targets ran ${seconds}s each without a finding"
