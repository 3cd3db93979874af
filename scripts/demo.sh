#!/usr/bin/env bash
# The main job on the bundled sample: pack samples/app with every method, list and test each
# archive, unpack it and compare the result with the original byte for byte.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DVURERODE_TESTS=OFF -DVURERODE_BENCH=OFF >/dev/null
cmake --build build/release --target vurerode -j"$(nproc)" >/dev/null
tool=$PWD/build/release/tools/vurerode

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd samples
for method in none rle lzh lh5; do
  archive="$work/app.$method"
  echo "== method $method"
  "$tool" pack -m "$method" "$archive" app
  "$tool" list "$archive"
  "$tool" test "$archive"
  "$tool" unpack "$archive" -C "$work/out-$method"
  diff -r app "$work/out-$method/app"
  echo "unpacked copy is identical to samples/app"
done
echo "== a locked archive (key 20261208)"
"$tool" pack -m lh5 -k 20261208 "$work/locked.lh5" app
if "$tool" test "$work/locked.lh5" 2>"$work/err"; then
  echo "a locked archive passed without its key" >&2; exit 1
fi
echo "without the key: $(cat "$work/err")"
"$tool" test -k 20261208 "$work/locked.lh5"
echo "demo: all methods packed, tested and unpacked identically"
