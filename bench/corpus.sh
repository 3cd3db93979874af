#!/usr/bin/env bash
# The benchmarks' corpus: text (headers, documentation) and binaries (shared libraries) of this
# machine, copied in a fixed order up to 60 MB, with names Windows and finstall.cfg accept.
#   bench/corpus.sh DIR
set -euo pipefail
corpus=$1
mkdir -p "$corpus"
total=0
while IFS= read -r f; do
  size=$(stat -c %s "$f")
  [ "$size" -gt 0 ] && [ "$size" -lt 8000000 ] || continue
  rel=${f#/usr/}
  mkdir -p "$corpus/$(dirname "$rel")"
  cp "$f" "$corpus/$rel"
  total=$((total + size))
  [ "$total" -ge 60000000 ] && break
done < <( (find /usr/include /usr/share/doc /usr/lib/x86_64-linux-gnu -type f 2>/dev/null || true) |
          grep -E '^[A-Za-z0-9/._+-]+$' | grep -viE '/(aux|con|nul|prn|com[0-9]|lpt[0-9])(\.|/|$)' |
          LC_ALL=C sort)
