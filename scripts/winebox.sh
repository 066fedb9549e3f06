#!/usr/bin/env bash
# Runs the project's Windows programs under Wine on a private virtual X display, in a private
# 64-bit Wine prefix, and stops everything it started (by process id) when it ends.
#
#   winebox.sh test [driver arguments...]
#       Runs the end-to-end driver (build/win64, the one driver for every machine) against
#       the Varnel.exe, palconv.exe and installer of the build `arch` names, as listed in that
#       build's e2e-programs.txt (written by CMake; the installer is made by CPack). Its log
#       goes to $VARNEL_E2E_OUT (default build/e2e); the driver gets $VARNEL_E2E_TIMEOUT
#       seconds (default 600). Exit status: the driver's. The screenshots the driver takes
#       land in $VARNEL_E2E_OUT/shots; with VARNEL_E2E_REFERENCE naming a folder of earlier
#       ones (a copy of a shots folder), each must match its namesake there pixel for pixel.
#       The prefix is made once and cached; each step of making it gets
#       $VARNEL_WINEBOOT_TIMEOUT seconds (default 150), and a new prefix one more try.
#   winebox.sh run [Varnel.exe]
#       With $DISPLAY set: starts the program (default: that of the build `arch` names) there
#       and waits until it is closed. Without: starts it on a private virtual display, saves
#       build/screenshot.png, stops.
#   winebox.sh arch
#       Prints which programs Wine runs here: win32, the shipped 32-bit release programs of
#       build/win32-release, where the kernel runs 32-bit code itself; win64, those of
#       build/win64, where it refuses them (ia32 emulation switched off) or hands them to an
#       emulator (qemu-user-static, far too slow for the suite). VARNEL_E2E_BUILD=win32 or
#       win64 chooses instead.
#
# A set-up that gives the same pixels on every machine: 24-bit Xvfb, unmanaged windows (else
# each hidden window stalls without a window manager), 96 dots per inch, and Wine's own
# bitmap-metric fonts in the prefix (else "MS Sans Serif" falls back to a wider face).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${VARNEL_E2E_OUT:-$root/build/e2e}
fonts=/usr/share/wine/fonts

programs_arch() {
  case "${VARNEL_E2E_BUILD:-}" in
    win32 | win64) echo "$VARNEL_E2E_BUILD"; return ;;
    "") ;;
    *) echo "winebox: VARNEL_E2E_BUILD is win32 or win64, not '$VARNEL_E2E_BUILD'" >&2; exit 2 ;;
  esac
  if /usr/lib/wine/wine --version >/dev/null 2>&1 &&
    ! grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386; then
    echo win32
  else
    echo win64
  fi
}
arch=$(programs_arch)
[ "${1:-}" = arch ] && { echo "$arch"; exit 0; }
if [ "$arch" = win32 ]; then programs_build=$root/build/win32-release; else programs_build=$root/build/win64; fi
driver_build=$root/build/win64

export WINEARCH=win64
cache=${VARNEL_PREFIX_CACHE:-$root/build/e2e/prefix-cache-$WINEARCH}
# The wine command starts the 32-bit loader whenever it is installed: go round it. The
# 64-bit loader hands 32-bit programs to the 32-bit one itself.
mkdir -p "$out/bin64"
printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$out/bin64/wine"
chmod +x "$out/bin64/wine"
ln -sf wine "$out/bin64/wine-stable"
export PATH=$out/bin64:$PATH WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=-all
# No menu entries or file types for the desktop outside Wine when something installs.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=C.UTF-8
unset WINELOADERNOEXEC WINESERVER

say() { echo "winebox: $*" >&2; }
die() { say "$*"; exit 1; }

for tool in wineserver Xvfb; do
  command -v "$tool" >/dev/null || die "'$tool' is not installed (scripts/install-deps.sh wine)"
done
[ -x /usr/lib/wine/wine64 ] || die "64-bit Wine is not installed (scripts/install-deps.sh wine)"
[ -d "$fonts" ] || die "$fonts is missing (Debian package fonts-wine)"

# ---- what this run started, stopped in reverse order on every exit ------------------------
xvfb_pid=""
program_pid=""
server_pid=""
server_prefix=""
work=""

# Stops the wineserver only; the registry is written out as it ends. A server that cannot be
# reached is ended by its process id. Its socket folder goes with it.
stop_server() {
  [ -n "$server_pid" ] || return 0
  WINEPREFIX=$server_prefix timeout 30 wineserver -k 2>/dev/null || true
  timeout 30 tail --pid="$server_pid" -f /dev/null 2>/dev/null || kill -KILL "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  server_pid=""
  local name
  name=$(cat "$server_prefix/wineserver" 2>/dev/null || true)
  case $name in wine-??????) rm -rf "${TMPDIR:-/tmp}/${name:?}" ;; esac
  rm -f "$server_prefix/wineserver"
}

stop_all() {
  stop_server
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=""
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
  if [ -n "$work" ]; then
    rm -rf "$work"
    work=""
  fi
}
trap stop_all EXIT
trap 'exit 130' INT TERM

# Starts Xvfb on the first free display number and exports DISPLAY once it accepts clients.
start_xvfb() {
  local fifo=$work/displayfd number=""
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fifo" \
    >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  read -r -t 30 number <"$fifo" || true
  [ -n "$number" ] || { show_log "$work/xvfb.log"; die "Xvfb did not start"; }
  export DISPLAY=":$number"
}

# Starts a wineserver for the prefix in the foreground of a background job, so its pid is
# ours to stop and its output never reaches the caller's stdout, and waits for its socket.
# Debian's Wine keeps the socket in a folder of its own under $TMPDIR, which the first
# process to start names in the prefix's file "wineserver". A client that starts before the
# server has written it makes a folder of its own, and then waits there for a server of its
# own (a wineboot in CI hung so for good); a copied prefix names the folder of its original.
start_wineserver() {
  export WINEPREFIX=$1
  server_prefix=$1
  rm -f "$1/wineserver"
  wineserver -f -p >>"$work/wineserver.log" 2>&1 &
  server_pid=$!
  local deadline=$((SECONDS + 30)) server
  server=$(printf 'server-%s-%x' "$(stat -c %D "$1")" "$(stat -c %i "$1")")
  until [ -S "${TMPDIR:-/tmp}/$(cat "$1/wineserver" 2>/dev/null)/$server/socket" ] ||
    [ -S "/tmp/.wine-$(id -u)/$server/socket" ]; do
    if ! kill -0 "$server_pid" 2>/dev/null || [ $SECONDS -ge $deadline ]; then
      show_log "$work/wineserver.log"
      die "the wineserver of $1 did not start"
    fi
    sleep 0.1
  done
}

# The settings that make the prefix reproducible; its hash names the cache generation.
prefix_settings() {
  cat <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Control Panel\Desktop]
"LogPixels"=dword:00000060

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts]
"LogPixels"=dword:00000060

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"mscoree"=""
"mshtml"=""
EOF
}

stamp() {
  { wine --version; prefix_settings; ls "$fonts"; } | cksum | cut -d' ' -f1
}

# One try at initialising a prefix, its wineserver stopped after a success. On failure
# the logs are shown, for the run's folder goes when the run ends.
init_prefix() {
  : >"$work/wine.log"
  : >"$work/wineserver.log"
  start_wineserver "$1"
  prefix_settings >"$work/settings.reg"
  # Wine's own errors go to the log, for the case the logs have to be shown.
  local WINEDEBUG=-all,err+all
  bounded wineboot wine wineboot --init &&
    bounded settings wine regedit /S "$(winepath -w "$work/settings.reg")" &&
    cp "$fonts"/* "$1/drive_c/windows/Fonts/" &&
    stop_server
}

# Runs a step of init_prefix (named $1) for at most $VARNEL_WINEBOOT_TIMEOUT seconds.
bounded() {
  local step=$1 limit=${VARNEL_WINEBOOT_TIMEOUT:-150} status=0
  shift
  timeout --kill-after=10 "$limit" "$@" >>"$work/wine.log" 2>&1 || status=$?
  [ "$status" -ne 0 ] || return 0
  if [ "$status" -eq 124 ]; then say "$step did not finish within $limit s"; else say "$step failed with status $status"; fi
  show_log "$work/wine.log"
  show_log "$work/wineserver.log"
  return 1
}

show_log() {
  grep -qs '[^[:space:]]' "$1" || return 0
  say "the last lines of $(basename "$1"):"
  tail -n 40 "$1" | sed 's/^/  /' >&2
}

# Builds the initialised prefix once; later runs copy it. Built aside and renamed into place,
# so an interrupted build never leaves a half-made cache.
ensure_cache() {
  local want
  want=$(stamp)
  # One run builds the cache; others wait for it here.
  mkdir -p "$(dirname "$cache")"
  exec 9>"$cache.lock"
  flock 9
  if [ -f "$cache/.varnel-stamp" ] && [ "$(cat "$cache/.varnel-stamp")" = "$want" ]; then
    flock -u 9
    return
  fi
  say "initialising a Wine prefix (once; cached in $cache)"
  local fresh=$work/fresh-prefix attempt started=$SECONDS
  [ -n "$xvfb_pid" ] || start_xvfb
  # A step that stalls (as wineboot did when it raced its server, see start_wineserver) is
  # cut off, and a new prefix gets one more try.
  for attempt in 1 2; do
    rm -rf "$fresh"
    mkdir -p "$fresh"
    if init_prefix "$fresh"; then break; fi
    stop_server
    [ "$attempt" = 1 ] || die "no Wine prefix after two tries"
    say "trying once more in a new prefix"
  done
  say "prefix ready after $((SECONDS - started)) s"
  echo "$want" >"$fresh/.varnel-stamp"
  mkdir -p "$(dirname "$cache")"
  rm -rf "$cache.old"
  [ -d "$cache" ] && mv "$cache" "$cache.old"
  mv "$fresh" "$cache"
  rm -rf "$cache.old"
  flock -u 9
}

# A new folder for this run's files under $out; folders of runs that were killed go first.
make_work() {
  mkdir -p "$out"
  local old owner
  for old in "$out"/run.*; do
    [ -d "$old" ] || continue
    owner=$(cat "$old/owner" 2>/dev/null || true)
    if [ -n "$owner" ] && ! kill -0 "$owner" 2>/dev/null; then rm -rf "$old"; fi
  done
  work=$(mktemp -d "$out/run.XXXXXX")
  echo $$ >"$work/owner"
}

# A private copy of the cached prefix for this run.
private_prefix() {
  cp -a "$cache" "$work/prefix"
  echo "$work/prefix"
}

cmd_test() {
  local driver program palconv installer
  driver=$(program_in_build "$driver_build" driver)
  program=$(program_in_build "$programs_build" program)
  palconv=$(program_in_build "$programs_build" palconv)
  installer=$(program_in_build "$programs_build" installer)
  say "testing the ${arch#win}-bit programs of ${programs_build#"$root"/}"
  command -v xdotool >/dev/null || die "'xdotool' is not installed (scripts/install-deps.sh wine)"
  make_work
  rm -f "$out/driver.log"
  ensure_cache
  [ -n "$xvfb_pid" ] || start_xvfb
  start_wineserver "$(private_prefix)"
  mkdir -p "$work/files"
  rm -rf "$out/shots"
  local reference=""
  if [ -n "${VARNEL_E2E_REFERENCE:-}" ]; then
    [ -d "$VARNEL_E2E_REFERENCE" ] || die "no folder $VARNEL_E2E_REFERENCE (VARNEL_E2E_REFERENCE)"
    reference=$(winepath -w "$(cd "$VARNEL_E2E_REFERENCE" && pwd)")
  fi
  local started=$SECONDS status=0 limit=${VARNEL_E2E_TIMEOUT:-600}
  VARNEL_EXE=$(winepath -w "$program") \
  VARNEL_E2E_FILES=$(winepath -w "$work/files") \
  VARNEL_PALCONV_EXE=$(winepath -w "$palconv") \
  VARNEL_INSTALLER=$(winepath -w "$installer") \
  VARNEL_E2E_FILES_UNIX=$work/files \
  VARNEL_E2E_DATA=$(winepath -w "$root/tests/data") \
  VARNEL_UNIX_SHELL=$(winepath -w /bin/sh) \
  VARNEL_E2E_SHOTS=$(winepath -w "$out/shots") \
  VARNEL_E2E_REFERENCE=$reference \
    timeout --kill-after=10 "$limit" wine "$driver" "$@" >"$work/driver.log" 2>&1 || status=$?
  [ "$status" -ne 124 ] || say "the driver did not finish within $limit s"
  cat "$work/driver.log"
  cp "$work/driver.log" "$out/driver.log"
  say "driver finished with status $status after $((SECONDS - started)) s; log in $out/driver.log"
  return "$status"
}

# Waits until the program's top-level window exists and its picture stops changing.
wait_for_window() {
  local deadline=$((SECONDS + 60)) id="" previous="" current=""
  while [ $SECONDS -lt $deadline ]; do
    id=$(xdotool search --name '^Varnel Pallete Converter$' 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then
      current=$(import -window "$id" rgb:- 2>/dev/null | cksum || true)
      if [ -n "$previous" ] && [ "$current" = "$previous" ]; then
        echo "$id"
        return 0
      fi
      previous=$current
    fi
    sleep 0.2
  done
  return 1
}

cmd_run() {
  [ $# -le 1 ] || die "usage: winebox.sh run [Varnel.exe]"
  local program=${1:-}
  [ -n "$program" ] || program=$(program_in_build "$programs_build" program)
  [ -f "$program" ] || die "no program at $program (build it with: make wine)"
  make_work
  if [ -n "${DISPLAY:-}" ]; then
    local display=$DISPLAY
    ensure_cache
    export DISPLAY=$display
    # A window manager is present here: let it manage the window as usual.
    local prefix
    prefix=$(private_prefix)
    start_wineserver "$prefix"
    wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >>"$work/wine.log" 2>&1 || true
    say "starting $(basename "$program") on $DISPLAY; close it to end"
    wine "$program" >>"$work/wine.log" 2>&1 || true
    return 0
  fi
  command -v xdotool >/dev/null || die "'xdotool' is not installed (scripts/install-deps.sh wine)"
  command -v import >/dev/null || die "'import' is not installed (Debian package imagemagick)"
  ensure_cache
  [ -n "$xvfb_pid" ] || start_xvfb
  start_wineserver "$(private_prefix)"
  wine "$program" >>"$work/wine.log" 2>&1 &
  program_pid=$!
  local id shot=$root/build/screenshot.png
  id=$(wait_for_window) || die "the program's window did not appear within 60 s"
  import -window "$id" "$shot"
  say "no display: $(basename "$program") ran on a virtual display; screenshot saved to $shot"
}

# The file of a program of a Windows build, from the list CMake writes there.
program_in_build() {
  local list=$1/e2e-programs.txt file
  [ -f "$list" ] || die "no $list: build it first (make wine)"
  file=$(sed -n "s/^$2=//p" "$list")
  [ -n "$file" ] || die "${1#"$root"/} defines no $2 ($list)"
  echo "$file"
}

case "${1:-}" in
  test) shift; cmd_test "$@" ;;
  run) shift; cmd_run "$@" ;;
  *) die "usage: winebox.sh test|run|arch ..." ;;
esac
