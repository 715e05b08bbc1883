#!/bin/sh
# Runs a Winelib program under Wine without an X display:
#   run.sh --prefix DIR PROGRAM.exe [ARG...]
# The prefix DIR is made on first use; without a program, run.sh only makes
# it. The exit status is the program's.
set -e
if [ "$1" = --prefix ]; then
    WINEPREFIX=$2
    shift 2
fi
export WINEPREFIX="${WINEPREFIX:?run.sh needs --prefix DIR or WINEPREFIX}"
# No Mono or Gecko installer, no debug channels, no display.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
unset DISPLAY WAYLAND_DISPLAY
# Arguments and file names pass between Linux and Windows as UTF-8.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

mkdir -p "$(dirname "$WINEPREFIX")"
# Programs started side by side by ctest -j take turns here, so that one of
# them makes the prefix and, when no wine server runs, starts one that
# outlives the program, with its services started apart from any program:
# a service started by a program would hold the program's pipes open (ctest
# waits on them) until the server ends, a minute later. (-o: the server and
# the services keep no hold of the lock.)
flock -o "$WINEPREFIX.lock" sh -c '
    if [ ! -f "$WINEPREFIX/.q6-ready" ]; then
        wineboot -i >/dev/null 2>&1
        # Wine answers as Windows 7 unless told otherwise: as a current
        # Windows, like the Linux build.
        wine reg add "HKCU\\Software\\Wine" /v Version /d win10 /f >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.q6-ready"
    fi
    [ "$1" -eq 0 ] && exit 0
    if wineserver -p60 </dev/null >/dev/null 2>&1; then
        wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
    fi' run.sh "$#"
[ "$#" -eq 0 ] && exit 0
exec wine "$@"
