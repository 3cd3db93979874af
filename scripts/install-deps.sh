#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
#   install-deps.sh build   compilers, CMake, GoogleTest and libzstd (enough for the tool and the demo)
#   install-deps.sh windows the build packages, the cross compiler and a MinGW libzstd for setup.exe
#   install-deps.sh demo    what the main job uses: the Windows build and lnkinfo
#   install-deps.sh test    everything the whole test suite uses (peers, fuzzing, Windows leg)
# Debian ships no MinGW build of libzstd, so the Windows modes build a static one from Debian's
# source package (scripts/build-mingw-zstd.sh), which needs deb-src entries: they are added when
# the distribution's own archive has none.
set -euo pipefail

build_pkgs=(build-essential cmake libgtest-dev libzstd-dev)
windows_pkgs=(g++-mingw-w64-x86-64-posix dpkg-dev lld)
demo_pkgs=(liblnk-utils)
test_pkgs=(lld clang libclang-rt-14-dev lhasa jlha-utils liblhasa-dev libarchive-tools p7zip-full liblnk-utils
  default-jdk-headless wine64 wine g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix dpkg-dev xvfb xauth
  time fonts-wine fonts-noto-cjk imagemagick locales python3-yaml python3-jsonschema osslsigncode openssl)

mode="${1:-build}"
mingw_zstd=()
case "$mode" in
  build) want=("${build_pkgs[@]}") ;;
  windows) want=("${build_pkgs[@]}" "${windows_pkgs[@]}"); mingw_zstd=(x86_64-w64-mingw32) ;;
  demo) want=("${build_pkgs[@]}" "${windows_pkgs[@]}" "${demo_pkgs[@]}"); mingw_zstd=(x86_64-w64-mingw32) ;;
  test) want=("${build_pkgs[@]}" "${test_pkgs[@]}"); mingw_zstd=(x86_64-w64-mingw32 i686-w64-mingw32) ;;
  *) echo "usage: $0 build|windows|demo|test" >&2; exit 2 ;;
esac

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

# The Windows leg installs under Wine with the ANSI code pages 1252, 1250, 1251 and 932, which Wine
# takes from these locales.
want_locales() {
  [ "$mode" = test ] || return 0
  for l in en_US pl_PL ru_RU ja_JP; do
    locale -a 2>/dev/null | grep -qix "$l.utf-\?8" || $sudo localedef -i "$l" -f UTF-8 "$l.UTF-8"
  done
}

# Prints, as deb822 stanzas, the deb-src entries missing beside the enabled `deb` entries of this
# release's suites (codename, codename-updates, codename-security, ...), from both the one-line and
# the deb822 source lists. Third-party repositories are left out: most publish no sources, and a
# source index they lack would fail every apt-get update.
missing_deb_src() {
  local codename f
  # shellcheck source=/dev/null
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || return 0
  local lists=()
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && lists+=("$f")
  done
  [ ${#lists[@]} -gt 0 ] || return 0
  awk -v codename="$codename" '
    function trim(s) { gsub(/^[[:space:]]+|[[:space:]]+$/, "", s); return s }
    function words(s, a) { s = trim(s); return s == "" ? 0 : split(s, a, /[[:space:]]+/) }
    function ours(s) { return s == codename || index(s, codename "-") == 1 || index(s, codename "/") == 1 }
    function trim_uri(u) { sub(/\/+$/, "", u); return u }
    # One entry: types, URIs and suites as space-separated words, extra = the stanza lines to copy.
    function entry(types, uris, suites, components, extra,   nt, t, nu, u, ns, s, i, j, k, keep) {
      nt = words(types, t); nu = words(uris, u); ns = words(suites, s)
      for (i = 1; i <= nt; i++) {
        if (t[i] == "deb-src")
          for (j = 1; j <= nu; j++) for (k = 1; k <= ns; k++) have[trim_uri(u[j]) SUBSEP s[k]] = 1
        if (t[i] != "deb") continue
        keep = ""
        for (k = 1; k <= ns; k++) if (ours(s[k])) keep = keep " " s[k]
        if (keep == "") continue
        n++; e_uris[n] = uris; e_suites[n] = keep; e_comp[n] = components; e_extra[n] = extra
      }
    }
    function flush() {
      if (("types" in f) && tolower(f["enabled"]) !~ /^[[:space:]]*no/)
        entry(f["types"], f["uris"], f["suites"], f["components"], f["extra"])
      delete f; field = ""
    }
    FNR == 1 { flush() }
    FILENAME ~ /\.sources$/ {
      if ($0 ~ /^[[:space:]]*#/) next
      if ($0 ~ /^[[:space:]]*$/) { flush(); next }
      if ($0 ~ /^[[:space:]]/) {  # a folded value, as an inline Signed-By key is
        f[field] = f[field] " " $0
        if (field == "signed-by" || field == "trusted") f["extra"] = f["extra"] "\n" $0
        next
      }
      field = tolower(substr($0, 1, index($0, ":") - 1)); value = substr($0, index($0, ":") + 1)
      f[field] = value
      if (field == "signed-by" || field == "trusted") f["extra"] = f["extra"] (f["extra"] == "" ? "" : "\n") $0
      next
    }
    /^[[:space:]]*(deb|deb-src)[[:space:]]/ {
      line = $0; sub(/#.*/, "", line); extra = ""
      type = line; sub(/^[[:space:]]*/, "", type); sub(/[[:space:]].*/, "", type)
      sub(/^[[:space:]]*[^[:space:]]+[[:space:]]+/, "", line)
      if (line ~ /^\[/) {
        opts = substr(line, 2, index(line, "]") - 2); line = substr(line, index(line, "]") + 1)
        no = words(opts, o)
        for (i = 1; i <= no; i++) {
          if (o[i] ~ /^signed-by=/) { v = substr(o[i], 11); gsub(/,/, " ", v); extra = extra (extra == "" ? "" : "\n") "Signed-By: " v }
          if (o[i] ~ /^trusted=/) extra = extra (extra == "" ? "" : "\n") "Trusted: " substr(o[i], 9)
        }
      }
      nw = words(line, w)
      if (nw < 2) next
      comps = ""; for (i = 3; i <= nw; i++) comps = comps " " w[i]
      entry(type, w[1], w[2], comps, extra)
    }
    END {
      flush()
      for (i = 1; i <= n; i++) {
        nu = words(e_uris[i], u); ns = words(e_suites[i], s); missing = ""
        for (k = 1; k <= ns; k++)
          for (j = 1; j <= nu; j++)
            if (!((trim_uri(u[j]) SUBSEP s[k]) in have)) { missing = missing " " s[k]; break }
        if (missing == "") continue
        printf "%sTypes: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", (printed++ ? "\n" : ""), \
          trim(e_uris[i]), trim(missing), trim(e_comp[i])
        if (e_extra[i] != "") print e_extra[i]
      }
    }' "${lists[@]}"
}

# Adds the deb-src entries apt-get source needs for libzstd, only when they are missing. Prints
# "update" when apt's indices must be refreshed to see them.
want_deb_src() {
  local stanzas
  stanzas=$(missing_deb_src)
  if [ -n "$stanzas" ]; then
    printf '%s\n' "$stanzas" | $sudo tee /etc/apt/sources.list.d/vurerode-deb-src.sources >/dev/null
    echo update
  elif [ -z "$(apt-cache showsrc libzstd 2>/dev/null)" ]; then
    echo update
  fi
}

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
refresh=""
[ ${#mingw_zstd[@]} -eq 0 ] || refresh=$(want_deb_src)

if [ ${#missing[@]} -gt 0 ] || [ -n "$refresh" ]; then
  $sudo apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
want_locales
[ ${#mingw_zstd[@]} -eq 0 ] || "$(dirname "$0")/build-mingw-zstd.sh" "${mingw_zstd[@]}"
