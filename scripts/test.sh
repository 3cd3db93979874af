#!/usr/bin/env bash
# The whole test suite: installs what it needs, then runs five legs and stops at the first that fails:
#   native    release build, every test (peers: lhasa, jlha, bsdtar, 7z, lnkinfo, Wine's regedit)
#   sanitize  the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer
#   thread    the tests of the code that runs on several threads, built with ThreadSanitizer
#   fuzz      a short run of every fuzz target (clang, libFuzzer)
#   windows   the cross-compiled Windows build's tests, run under Wine
# Set VURERODE_LEGS to run a subset, e.g. VURERODE_LEGS="native sanitize".
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

jobs=$(nproc)
legs=${VURERODE_LEGS:-native sanitize thread fuzz windows}
passed=0

leg() { echo; echo "==== $1"; }

for l in $legs; do
  case "$l" in
    native)
      leg "native build and tests"
      cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
      cmake --build build/native -j"$jobs"
      ctest --test-dir build/native -j"$jobs" --output-on-failure --timeout 600
      ;;
    sanitize)
      leg "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
      cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DVURERODE_SANITIZE=ON -DVURERODE_BENCH=OFF \
        -DCMAKE_CXX_FLAGS=-O1 >/dev/null
      cmake --build build/sanitize -j"$jobs"
      ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir build/sanitize -j"$jobs" --output-on-failure --timeout 1200
      ;;
    thread)
      leg "ThreadSanitizer build and the tests of threaded code"
      cmake -S . -B build/thread -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVURERODE_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
      cmake --build build/thread -j"$jobs" --target test_platform test_segment test_tools
      # The cases tests/CMakeLists.txt labels `threaded`: files written behind, set building on worker
      # threads, and the commands that use them.
      TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --test-dir build/thread -j"$jobs" \
        --output-on-failure --timeout 1200 -L threaded
      ;;
    fuzz)
      leg "fuzz smoke"
      if [ -x scripts/fuzz-smoke.sh ]; then scripts/fuzz-smoke.sh build/fuzz "${VURERODE_FUZZ_SECONDS:-20}"; fi
      ;;
    windows)
      leg "Windows build under Wine"
      # The native leg's tool, when it ran, is what vurerode.exe is held against.
      if [ -x scripts/test-windows.sh ]; then
        NATIVE_VURERODE=$(pwd)/build/native/tools/vurerode scripts/test-windows.sh build/windows
      fi
      ;;
    *) echo "unknown leg $l" >&2; exit 2 ;;
  esac
  passed=$((passed + 1))
done
echo
echo "legs: $passed passed, 0 failed"
