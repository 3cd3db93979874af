#!/usr/bin/env bash
# setup killed for real: the native setup installs an application of 1,500 files on a sandbox
# machine and is sent SIGKILL at a random moment of the installation, TRIALS times. After each kill
# the next setup undoes what the killed one did and installs, and a removal then leaves the machine
# exactly as a clean installation and removal do (every file's bytes, registry.reg, metadata.txt).
#   scripts/kill-test.sh [TRIALS]     (builds vurerode and setup in $NATIVE_BUILD, build/native by default)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${NATIVE_BUILD:-$src/build/native}
trials=${1:-12}
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target vurerode setup -j"${JOBS:-2}" >/dev/null
setup=$build/ui/setup
work=$(mktemp -d "${TMPDIR:-/tmp}/vurerode-kill.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "kill-test: $*" >&2; exit 1; }

mkdir -p "$work/app"
for d in $(seq 1 15); do
  mkdir -p "$work/app/dir$d"
  for f in $(seq 1 100); do head -c $((f * 97)) /dev/urandom >"$work/app/dir$d/file$f.bin"; done
done
printf '[Setup]\nTitle = Kill 1.0\nMain Directory = Kill\n[Shortcuts]\nKill = dir1\\file1.bin, Kill, desktop\n[Registry]\nHKEY_LOCAL_MACHINE\\Software\\Kill, Settings, Mode, new\n[INI Files]\nkill.ini, Options, Mode, new\n' \
  >"$work/app/vurerode.prj"
"$build/tools/vurerode" build "$work/app" "$work/media" >/dev/null

# Every file of the machine with its checksum, and its folders; the record of started programs is
# not the machine's state.
state() { (cd "$1" && find . \( -name journal.log -o -name setup.lock \) -prune -o -type f -print0 | sort -z |
  xargs -0 sha256sum && find . -type d | sort); }
install() { "$setup" --sandbox "$1" --media "$work/media" /SILENT >/dev/null 2>&1; }
remove() { "$setup" --sandbox "$1" /SILENT "Kill 1.0" >/dev/null 2>&1; }

start=$(date +%s%N)
install "$work/reference" || fail "a clean installation failed"
took=$((($(date +%s%N) - start) / 1000000))
remove "$work/reference" || fail "a clean removal failed"
state "$work/reference" >"$work/clean-end.txt"
echo "a clean installation takes $took ms; killing $trials installations at random moments of it"

for trial in $(seq 1 "$trials"); do
  machine=$work/machine
  rm -rf "$machine"
  delay=$((RANDOM % (took + 1)))
  "$setup" --sandbox "$machine" --media "$work/media" /SILENT >/dev/null 2>&1 &
  pid=$!
  sleep "$(awk "BEGIN { print $delay / 1000 }")"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  install "$machine" || fail "trial $trial (killed after ${delay} ms): the next setup did not install"
  remove "$machine" || fail "trial $trial: the removal failed"
  state "$machine" >"$work/end.txt"
  diff "$work/clean-end.txt" "$work/end.txt" >/dev/null ||
    { diff "$work/clean-end.txt" "$work/end.txt" | head -20; fail "trial $trial (killed after ${delay} ms): the machine differs"; }
done
echo "kill-test: $trials installations killed with SIGKILL; each time a rerun and a removal left the machine as a clean one does"
