#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
#   scripts/install-deps.sh build|native|win32|win64|wine|fuzz|dist|deb|interop ...
set -euo pipefail

packages=()
for group in "$@"; do
  case "$group" in
    build)  packages+=(cmake ninja-build make dpkg-dev) ;;  # any build: dpkg-source for the third-party sources
    native) packages+=(cmake ninja-build g++ make dpkg-dev libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev strace) ;;
    win32)  packages+=(g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev googletest imagemagick) ;;
    win64)  packages+=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev googletest) ;;
    wine)   packages+=(wine wine64 wine32:i386 xvfb xdotool x11-utils fonts-wine imagemagick) ;;
    fuzz)   packages+=(clang libclang-rt-14-dev) ;;
    dist)   packages+=(nsis help2man dpkg-dev man-db) ;;
    interop) packages+=(gimp krita python3-pyqt5 xvfb xdotool python3-pil imagemagick python3-tinycss2) ;;
    deb)    packages+=(libpng-dev zlib1g-dev liblcms2-dev libjpeg62-turbo-dev libexpat1-dev libminizip-dev pkg-config) ;;
    *) echo "install-deps: unknown group '$group'" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages: ${missing[*]}; run as root or install them with apt-get" >&2
  exit 1
fi
# A fresh desktop runs its own updates at boot: wait for the package manager's lock rather
# than fail on it, for five minutes at most (VARNEL_APT_WAIT seconds). A mirror in the middle
# of its sync serves index files that do not match its release file: wait a minute for it
# (VARNEL_APT_SYNC_WAIT), then go on with the lists it did give.
wait_limit=${VARNEL_APT_WAIT:-300}
sync_limit=${VARNEL_APT_SYNC_WAIT:-60}
busy='Could not get lock|Unable to acquire the dpkg frontend lock|dpkg.* lock'
syncing='Mirror sync in progress|Hash Sum mismatch|File has unexpected size'
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# apt COMMAND...: runs it, waiting out a busy package manager and a syncing mirror. Returns 1
# when the mirror was still syncing at the end and 2 when the command failed otherwise (its
# output is in $log); a lock held past the limit ends the script.
apt() {
  local start=$SECONDS said=""
  while :; do
    if "$@" >"$log" 2>&1; then return 0; fi
    if grep -qE "$busy" "$log"; then
      if [ $((SECONDS - start)) -ge "$wait_limit" ]; then
        grep -m1 -E "$busy" "$log" >&2 || true
        echo "install-deps: the package manager stayed busy for $wait_limit s (another" \
          "installation or the system's own updates hold its lock); run make again when it" \
          "has finished" >&2
        exit 1
      fi
      [ -n "$said" ] || echo "install-deps: waiting for the package manager, busy with another installation" >&2
    elif grep -qE "$syncing" "$log"; then
      [ $((SECONDS - start)) -lt "$sync_limit" ] || return 1
      [ -n "$said" ] || echo "install-deps: waiting for the package mirror, in the middle of an update" >&2
    else
      return 2
    fi
    said=1
    sleep 5
  done
}
failed() {
  cat "$log" >&2
  echo "install-deps: '$*' failed" >&2
  exit 1
}

for p in "${missing[@]}"; do
  if [[ "$p" == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    apt dpkg --add-architecture i386 || failed dpkg --add-architecture i386
  fi
done
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
install=(apt-get install -y -qq --no-install-recommends)
stale=""
apt apt-get update -qq || case $? in
  1) grep -E "$syncing" "$log" | sed 's/^/  /' >&2
     echo "install-deps: the mirror is still in the middle of an update; going on with the" \
       "package lists it gave" >&2
     stale=1 ;;
  *) failed apt-get update ;;
esac
apt "${install[@]}" "${missing[@]}" && exit 0
[ -n "$stale" ] || failed "${install[@]}" "${missing[@]}"
# Without one of its lists (the security updates of one architecture, say) apt may pair an
# update of one architecture with a package of the other it cannot match; the release itself
# has both at the same version.
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
echo "install-deps: trying again with the packages of $release itself, without its updates" >&2
apt "${install[@]}" -t "$release" "${missing[@]}" || failed "${install[@]}" -t "$release" "${missing[@]}"
