#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
#   install-deps.sh build   compilers, CMake and GoogleTest (enough for the tool and the demo)
#   install-deps.sh windows the build packages and the cross compiler for the Windows setup.exe
#   install-deps.sh demo    what the main job uses: the Windows build and lnkinfo
#   install-deps.sh test    everything the whole test suite uses (peers, fuzzing, Windows leg)
set -euo pipefail

build_pkgs=(build-essential cmake libgtest-dev)
windows_pkgs=(g++-mingw-w64-x86-64-posix)
demo_pkgs=(liblnk-utils)
test_pkgs=(clang libclang-rt-14-dev lhasa jlha-utils liblhasa-dev libarchive-tools p7zip-full liblnk-utils
  default-jdk-headless wine64 wine g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix xvfb xauth time
  fonts-wine fonts-noto-cjk imagemagick locales python3-yaml python3-jsonschema osslsigncode openssl)

case "${1:-build}" in
  build) want=("${build_pkgs[@]}") ;;
  windows) want=("${build_pkgs[@]}" "${windows_pkgs[@]}") ;;
  demo) want=("${build_pkgs[@]}" "${windows_pkgs[@]}" "${demo_pkgs[@]}") ;;
  test) want=("${build_pkgs[@]}" "${test_pkgs[@]}") ;;
  *) echo "usage: $0 build|windows|demo|test" >&2; exit 2 ;;
esac

# The Windows leg installs under Wine with the ANSI code pages 1252, 1250, 1251 and 932, which Wine
# takes from these locales.
want_locales() {
  [ "${1:-build}" = test ] || return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  for l in en_US pl_PL ru_RU ja_JP; do
    locale -a 2>/dev/null | grep -qix "$l.utf-\?8" || $sudo localedef -i "$l" -f UTF-8 "$l.UTF-8"
  done
}

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  want_locales "${1:-build}"
  exit 0
fi

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
want_locales "${1:-build}"
