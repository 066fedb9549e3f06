#!/bin/sh
# palconv's Debian package: its control fields, its files installed into a scratch root, the
# installed palconv and manual page at work, dependencies apt can meet on this machine (Debian's
# own libpng among them), and a purge that leaves nothing behind.
#   deb_test.sh FOLDER VERSION     (tests FOLDER/palconv_VERSION_*.deb)
set -eu
version=$2
fail() { echo "deb_test: $*" >&2; exit 1; }
deb=$(realpath "$1"/palconv_"$version"_*.deb 2>/dev/null) && [ -f "$deb" ] || fail "no package in $1: make deb"

fields=$(dpkg-deb -f "$deb" Package Version Section Maintainer Depends)
for field in "Package: palconv" "Version: $version" "Section: utils" "Maintainer: .* <.*@.*>" \
  "Depends: libc6 (>= .*), .*libjpeg62-turbo (>= .*), .*liblcms2-2 (>= .*), .*libpng16-16 (>= .*), .*libstdc++6 (>= .*)"; do
  echo "$fields" | grep -qx "$field" || fail "no \"$field\" in
$fields"
done
apt-get install --simulate "$deb" 2>/dev/null | grep -q "^Inst palconv" || fail "apt cannot install $deb"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
files() { (cd "$root" && find . -path ./var/lib/dpkg -prune -o -print | LC_ALL=C sort); }
before=$(files)
dpkg() { command dpkg --root="$root" --force-script-chrootless --force-depends --no-triggers "$@"; }

out=$(dpkg --install "$deb" 2>&1) || fail "$out"
[ "$(files | xargs)" = ". ./usr ./usr/bin ./usr/bin/palconv ./usr/share ./usr/share/doc \
./usr/share/doc/palconv ./usr/share/doc/palconv/copyright ./usr/share/man ./usr/share/man/man1 \
./usr/share/man/man1/palconv.1.gz ./var ./var/lib" ] || fail "installed: $(files | xargs)"
[ "$("$root/usr/bin/palconv" --version)" = "palconv $version" ] || fail "palconv --version"
page=$(MANWIDTH=200 man -l "$root/usr/share/man/man1/palconv.1.gz")
for line in "palconv - convert 256-colour palettes between JASC-PAL, ACT and other formats" \
  "palconv [OPTIONS] [FILE...]" "--keep-count" "palconv $version"; do
  echo "$page" | grep -qF -- "$line" || fail "the manual page lacks \"$line\""
done

out=$(dpkg --purge palconv 2>&1) || fail "$out"
[ "$(files)" = "$before" ] || fail "left behind: $(files)"
! dpkg --status palconv >/dev/null 2>&1 || fail "still known to dpkg"
echo "deb_test: $(basename "$deb") installs, works and goes without a trace"
