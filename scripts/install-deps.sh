#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
#   scripts/install-deps.sh build|native|win32|win64|wine|fuzz|dist|deb ...
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
# of its sync serves index files that do not match: try again within the same time.
wait_limit=${VARNEL_APT_WAIT:-300}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
apt() {
  local deadline=$((SECONDS + wait_limit)) said=""
  while :; do
    if "$@" >"$log" 2>&1; then return 0; fi
    local busy='Could not get lock|Unable to acquire the dpkg frontend lock|dpkg.* lock'
    local syncing='Mirror sync in progress|Hash Sum mismatch|File has unexpected size'
    if ! grep -qE "$busy|$syncing" "$log"; then
      cat "$log" >&2
      echo "install-deps: '$*' failed" >&2
      exit 1
    fi
    if [ $SECONDS -ge $deadline ]; then
      grep -m1 -E "$busy|$syncing" "$log" >&2 || true
      echo "install-deps: the package manager stayed busy for $wait_limit s (another installation" \
        "or the system's own updates hold its lock, or the mirror is still updating); run make" \
        "again when it has finished" >&2
      exit 1
    fi
    if [ -z "$said" ] && grep -qE "$syncing" "$log"; then
      echo "install-deps: waiting for the package mirror, in the middle of an update" >&2
    elif [ -z "$said" ]; then
      echo "install-deps: waiting for the package manager, busy with another installation" >&2
    fi
    said=1
    sleep 5
  done
}

for p in "${missing[@]}"; do
  if [[ "$p" == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    apt dpkg --add-architecture i386
  fi
done
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt apt-get update -qq
apt apt-get install -y -qq --no-install-recommends "${missing[@]}"
