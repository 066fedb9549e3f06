#!/usr/bin/env bash
# Fetches Debian's source packages of zlib, libpng and LittleCMS and unpacks them, Debian's
# patches applied, in build/third-party/zlib, libpng and lcms2; every build compiles them with
# its own compiler and flags (cmake/third_party.cmake). Takes the default CMYK print profile,
# FOGRA39L Coated, out of Debian's texlive-base (its colorprofiles collection: zlib licence,
# and its maker's waiver) into build/third-party/profiles, beside its licence. Runs once: a
# later call finds everything in build/third-party/versions and does nothing.
#   scripts/third-party.sh [FOLDER]     (FOLDER: build/third-party)
# The machine's apt setup is left alone: the indexes come from a private copy of its Debian
# sources, kept in FOLDER. Needs dpkg-source (scripts/install-deps.sh native).
set -euo pipefail
trap 'echo "third-party: failed at line $LINENO" >&2' ERR

dir=${1:-"$(cd "$(dirname "$0")/.." && pwd)/build/third-party"}
# Folder, source package and upstream release of Debian 12 (cmake/third_party.cmake lists
# the release's source files).
expected=("zlib zlib 1.2.13.dfsg" "libpng libpng1.6 1.6.39" "lcms2 lcms2 2.14"
  "libjpeg libjpeg-turbo 2.1.5" "expat expat 2.5.0"
  "nlohmann_json nlohmann-json3 3.11.2")
# Binary package, its upstream release, and the files taken from it into FOLDER/profiles.
profile_package="texlive-base 2022.20230122"
# (Its sRGB display profile is for the tests, which must see it refused.)
profile_files=(usr/share/texlive/texmf-dist/tex/generic/colorprofiles/FOGRA39L_coated.icc
  usr/share/texlive/texmf-dist/tex/generic/colorprofiles/sRGB.icc
  usr/share/doc/texlive-doc/generic/colorprofiles/README.gz)

mkdir -p "$dir"
exec 9>"$dir/.lock"
flock 9  # builds configured side by side wait for one fetch
# Done when the versions file names every package (an older one may lack a newer entry).
complete=1
for entry in "${expected[@]}" "- $profile_package"; do
  read -r _ package _ <<<"$entry"
  grep -q "^$package " "$dir/versions" 2>/dev/null || complete=""
done
[ -n "$complete" ] && exit 0

fail() { echo "third-party: $*" >&2; exit 1; }
command -v dpkg-source >/dev/null || fail "dpkg-source is missing: scripts/install-deps.sh native"

# The machine's archives, in either format, for packages and their sources.
apt_dir="$dir/apt"
rm -rf "$apt_dir" "$dir/work"
mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache" "$dir/work"
{ cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
  sed -n 's/^[[:space:]]*deb[[:space:]]\(.*\)/deb \1\ndeb-src \1/p' >"$apt_dir/sources.list"
for file in /etc/apt/sources.list.d/*.sources; do
  if [ -f "$file" ]; then sed 's/^Types:.*/Types: deb deb-src/' "$file" >"$apt_dir/sources/${file##*/}"; fi
done
apt_options=(-o "Dir::Etc::SourceParts=$apt_dir/sources" -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
  -o APT::Sandbox::User=root -q)
# An archive without sources (another vendor's) fails the update but not what follows.
apt-get "${apt_options[@]}" update >"$apt_dir/update.log" 2>&1 ||
  echo "third-party: apt-get update: $(grep -E '^(E|W):' "$apt_dir/update.log" | head -3)" >&2

# Every version the archive lists of a source package (showsrc) or a binary one (show),
# newest first.
versions_of() { apt-cache "${apt_options[@]}" "$1" "$2" | sed -n 's/^Version: //p' | sort -u | sort -r -V; }

versions=""
# fetch VERB PACKAGE UPSTREAM LIST: `apt-get VERB` (source or download) of the newest version
# of PACKAGE that `apt-cache LIST` names for the upstream release UPSTREAM and that downloads
# (a mirror may lack the security archive's sources); its version in $got.
fetch() {
  local candidates version plain
  candidates=$(versions_of "$4" "$2")
  got=""
  for version in $candidates; do
    plain=${version#*:}
    [ "${plain%-*}" = "$3" ] || continue
    if (cd "$dir/work" && apt-get "${apt_options[@]}" "$1" "$2=$version") \
      >"$apt_dir/source.log" 2>&1; then
      got=$version
      return
    fi
  done
  cat "$apt_dir/source.log" >&2 2>/dev/null || true
  fail "cannot fetch $2 $3 (Debian 12) from the archive; versions listed:" "$(echo $candidates)"
}

for entry in "${expected[@]}"; do
  read -r folder package upstream <<<"$entry"
  fetch source "$package" "$upstream" showsrc
  versions+="$package $got"$'\n'
  rm -rf "${dir:?}/$folder"
  mv "$dir/work/$package-$upstream" "$dir/$folder"
done

read -r package upstream <<<"$profile_package"
fetch download "$package" "$upstream" show
dpkg-deb -x "$dir/work/${package}_"*.deb "$dir/work/unpacked"
rm -rf "$dir/profiles"
mkdir "$dir/profiles"
for file in "${profile_files[@]}"; do cp "$dir/work/unpacked/$file" "$dir/profiles/"; done
versions+="$package $got"$'\n'

rm -rf "$dir/work" "$apt_dir"
cd "$dir" || exit 1
printf '%s' "$versions" >versions
echo "third-party: Debian's sources and the default print profile in $dir:"
sed 's/^/  /' versions
