#!/usr/bin/env bash
# Fetches Debian's source packages of zlib and libpng and unpacks them, Debian's patches
# applied, in build/third-party/zlib and build/third-party/libpng; every build compiles them
# with its own compiler and flags (cmake/third_party.cmake). Runs once: a later call finds
# build/third-party/versions and does nothing.
#   scripts/third-party.sh [FOLDER]     (FOLDER: build/third-party)
# The machine's apt setup is left alone: the source indexes come from a private copy of its
# Debian sources as deb-src, kept in FOLDER. Needs dpkg-source (scripts/install-deps.sh native).
set -euo pipefail
trap 'echo "third-party: failed at line $LINENO" >&2' ERR

dir=${1:-"$(cd "$(dirname "$0")/.." && pwd)/build/third-party"}
# Folder, source package and upstream release of Debian 12 (cmake/third_party.cmake lists
# the release's source files).
expected=("zlib zlib 1.2.13.dfsg" "libpng libpng1.6 1.6.39")

mkdir -p "$dir"
exec 9>"$dir/.lock"
flock 9  # builds configured side by side wait for one fetch
[ -f "$dir/versions" ] && exit 0

fail() { echo "third-party: $*" >&2; exit 1; }
command -v dpkg-source >/dev/null || fail "dpkg-source is missing: scripts/install-deps.sh native"

# The machine's archives, in either format, as deb-src.
apt_dir="$dir/apt"
rm -rf "$apt_dir" "$dir/work"
mkdir -p "$apt_dir/sources" "$apt_dir/lists/partial" "$apt_dir/cache" "$dir/work"
{ cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
  sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' >"$apt_dir/sources.list"
for file in /etc/apt/sources.list.d/*.sources; do
  if [ -f "$file" ]; then sed 's/^Types:.*/Types: deb-src/' "$file" >"$apt_dir/sources/${file##*/}"; fi
done
apt_options=(-o "Dir::Etc::SourceParts=$apt_dir/sources" -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
  -o APT::Sandbox::User=root -q)
# An archive without sources (another vendor's) fails the update but not what follows.
apt-get "${apt_options[@]}" update >"$apt_dir/update.log" 2>&1 ||
  echo "third-party: apt-get update: $(grep -E '^(E|W):' "$apt_dir/update.log" | head -3)" >&2

versions=""
for entry in "${expected[@]}"; do
  read -r folder package upstream <<<"$entry"
  # Every version the archive lists, newest first; the newest that downloads is taken (a
  # mirror may lack the security archive's sources).
  candidates=$(apt-cache "${apt_options[@]}" showsrc "$package" | sed -n 's/^Version: //p' |
    sort -u | sort -r -V)
  got=""
  for version in $candidates; do
    plain=${version#*:}
    [ "${plain%-*}" = "$upstream" ] || continue
    if (cd "$dir/work" && apt-get "${apt_options[@]}" source "$package=$version") \
      >"$apt_dir/source.log" 2>&1; then
      got=$version
      break
    fi
  done
  [ -n "$got" ] || { cat "$apt_dir/source.log" >&2 2>/dev/null || true
    fail "cannot fetch $package $upstream (Debian 12) from the archive; versions listed:" \
      "$(echo $candidates)"; }
  versions+="$package $got"$'\n'
  rm -rf "${dir:?}/$folder"
  mv "$dir/work/$package-$upstream" "$dir/$folder"
done

rm -rf "$dir/work" "$apt_dir"
cd "$dir" || exit 1
printf '%s' "$versions" >versions
echo "third-party: Debian's sources unpacked in $dir:"
sed 's/^/  /' versions
