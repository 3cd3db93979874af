#!/usr/bin/env bash
# Cross-builds the Windows installer, setup.exe, that `vurerode build` ships on the media by default:
# build/windows/ui/setup.exe (mingw-w64, one static executable). Installs the cross compiler first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh windows
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/wine >/dev/null
cmake --build build/windows --target setup -j"$(nproc)" >/dev/null
echo "build/windows/ui/setup.exe"
