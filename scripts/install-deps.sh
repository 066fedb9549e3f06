#!/usr/bin/env bash
# Installs the Debian packages a build needs, only those that are missing.
#   scripts/install-deps.sh native|win32|win64|wine|fuzz|dist ...
set -euo pipefail

packages=()
for group in "$@"; do
  case "$group" in
    native) packages+=(cmake ninja-build g++ make libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev) ;;
    win32)  packages+=(g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev googletest imagemagick) ;;
    win64)  packages+=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev googletest wine64) ;;
    wine)   packages+=(wine wine32:i386 xvfb xdotool x11-utils fonts-wine imagemagick) ;;
    fuzz)   packages+=(clang libclang-rt-14-dev) ;;
    dist)   packages+=(nsis help2man dpkg-dev man-db) ;;
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
for p in "${missing[@]}"; do
  if [[ "$p" == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
done
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
