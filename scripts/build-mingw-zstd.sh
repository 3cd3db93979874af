#!/usr/bin/env bash
# Builds a static libzstd for each mingw-w64 triple given (x86_64-w64-mingw32, i686-w64-mingw32) and
# installs it into /usr/local/<triple>/{lib,include}, where the mingw toolchain files look:
#   build-mingw-zstd.sh x86_64-w64-mingw32 [i686-w64-mingw32]
# Debian ships no MinGW build of the library and setup.exe links everything statically, so it is
# built from Debian's source package, of the same version as the installed libzstd-dev when the
# mirror still has it, so that the tool and setup.exe agree on one library. Only the library is
# built: no DLL, no programs. Its functions go in sections of their own, which lets the linker drop
# the compressor from a setup.exe that only decompresses.
# /usr/local/<triple>/lib/libzstd.version records what was built; a rerun for the same version
# and flags does nothing. Needs deb-src entries and dpkg-dev (install-deps.sh sees to both).
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: $0 triple..." >&2; exit 2; }

cflags="-O2 -ffunction-sections -fdata-sections"
# setup.exe carries the decoder: one Huffman decoder and one sequence decoder instead of two of
# each, 44 KB less, for a decoder that is a small part of an installation's time.
cflags+=" -DHUF_FORCE_DECOMPRESS_X1 -DZSTD_FORCE_DECOMPRESS_SEQUENCES_SHORT"
# Nor a second copy of the hot decoding functions for processors with BMI2 (selected at run time).
cflags+=" -DDYNAMIC_BMI2=0"
# Media never carry frames of zstd's formats from before 1.0: their decoders stay out (87 KB).
makeflags="ZSTD_LEGACY_SUPPORT=0"
wanted=$(dpkg-query -W -f='${Version}' libzstd-dev 2>/dev/null) || {
  echo "libzstd-dev is not installed (scripts/install-deps.sh installs it)" >&2
  exit 1
}
# What a stamp must say for its build to be kept; the source version actually built follows it.
key=$(printf 'libzstd-dev %s\ncflags %s\nmake %s' "$wanted" "$cflags" "$makeflags")

todo=()
for triple in "$@"; do
  command -v "$triple-gcc-posix" >/dev/null || { echo "no $triple-gcc-posix" >&2; exit 1; }
  prefix=/usr/local/$triple
  if [ -f "$prefix/lib/libzstd.a" ] && [ -f "$prefix/include/zstd.h" ] &&
    [ "$(grep -v '^source ' "$prefix/lib/libzstd.version" 2>/dev/null)" = "$key" ]; then
    continue
  fi
  todo+=("$triple")
done
[ ${#todo[@]} -gt 0 ] || exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
log="$work/build.log"
fail() {
  cat "$log" >&2
  echo "$1" >&2
  exit 1
}
# apt fetches as its own unprivileged user, which must be able to write here.
if [ -z "$sudo" ]; then chown _apt "$work" 2>/dev/null || true; fi

# The source of the installed version first (a binNMU, +bN, rebuilds the same source, whose version
# lacks the suffix), then the others the indices list, newest first: a mirror may list a version
# whose files it does not have.
candidates=("${wanted%+b[0-9]*}")
for v in $(apt-cache showsrc libzstd 2>/dev/null | sed -n 's/^Version: //p'); do
  i=${#candidates[@]}
  while [ "$i" -gt 1 ] && dpkg --compare-versions "$v" gt "${candidates[i - 1]}"; do i=$((i - 1)); done
  [ "$v" = "${candidates[0]}" ] || candidates=("${candidates[@]:0:i}" "$v" "${candidates[@]:i}")
done
[ ${#candidates[@]} -gt 1 ] || apt-cache showsrc libzstd >/dev/null 2>&1 ||
  fail "no source index lists libzstd (are there deb-src entries?)"
cd "$work"
for v in "${candidates[@]}"; do
  apt-get source -q "libzstd=$v" >"$log" 2>&1 && break
  rm -rf "${work:?}"/libzstd*
  [ "$v" = "${candidates[-1]}" ] && fail "the mirror has none of the libzstd sources: ${candidates[*]}"
done
built=$(sed -n 's/^Version: //p' "$work"/libzstd_*.dsc)
[ "$built" = "${candidates[0]}" ] ||
  echo "warning: the mirror lacks the source of libzstd ${candidates[0]}, building $built instead" >&2
src=$(find "$work" -mindepth 2 -maxdepth 2 -name lib -type d -printf '%h\n')
if [ -z "$built" ] || [ ! -d "$src/lib" ]; then fail "unexpected layout of the libzstd source package"; fi

for triple in "${todo[@]}"; do
  echo "building libzstd $built for $triple"
  rm -f "$src/lib/libzstd.a"
  make -C "$src/lib" -j2 libzstd.a CC="$triple-gcc-posix" AR="$triple-ar" CFLAGS="$cflags" $makeflags \
    >"$log" 2>&1 || fail "building libzstd for $triple failed"
  prefix=/usr/local/$triple
  $sudo install -d "$prefix/lib" "$prefix/include"
  $sudo install -m 644 "$src/lib/zstd.h" "$src/lib/zstd_errors.h" "$src/lib/zdict.h" "$prefix/include/"
  $sudo install -m 644 "$src/lib/libzstd.a" "$prefix/lib/"
  printf '%s\nsource %s\n' "$key" "$built" | $sudo tee "$prefix/lib/libzstd.version" >/dev/null
done
