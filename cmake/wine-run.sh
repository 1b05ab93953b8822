#!/usr/bin/env bash
# Runs a Windows program under Wine (CTest's cross-compiling emulator for the Windows builds):
#   wine-run.sh [--wine=LOADER] PROGRAM.exe [ARGS...]
#   wine-run.sh [--wine=LOADER] --setup-only    only make the prefix of the current build tree
# LOADER is /usr/lib/wine/wine64 for x86_64 programs (the default) and /usr/lib/wine/wine for
# i686 ones; the build configures it from its pointer size.
#
# One prefix per build tree, kept between runs because creating one takes about 15 s. It lives
# in the build tree that holds the program (QUENARA_WINEPREFIX overrides it). Tests that may
# open a window need a display: without DISPLAY the program runs under its own xvfb-run.
set -euo pipefail
wine=/usr/lib/wine/wine64
case "${1:-}" in
  --wine=*) wine="${1#--wine=}"; shift ;;
esac
prog="$1"
shift
build_dir="${QUENARA_WINE_BUILD_DIR:-$(cd "$(dirname "$prog")" && while [ ! -f CMakeCache.txt ] && [ "$PWD" != / ]; do cd ..; done; pwd)}"
export WINEPREFIX="${QUENARA_WINEPREFIX:-$build_dir/wineprefix}"
export WINEDEBUG=-all
# No Mono or Gecko installer dialogs in a test prefix.
# winedbg disabled: a crashing test program must fail at once, not wait in the debugger
# until the CTest timeout.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# A 32-bit loader gets a 32-bit prefix of its own (a 64-bit prefix would need the WoW64 parts).
[ "$(basename "$wine")" = wine ] && export WINEARCH=win32

# Tests running in parallel share the prefix: the first one sets it up, the others wait.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/.quenara-ready" ]; then
  "$wine" wineboot -i >/dev/null 2>&1 || true
  # Windows not managed by a window manager: the test display has none, and Wine waits two
  # seconds for the manager whenever a managed window (every message box) goes away.
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || true
  touch "$WINEPREFIX/.quenara-ready"
fi
flock -u 9
exec 9>&-
[ "$prog" = --setup-only ] && exit 0

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a "$wine" "$prog" "$@"
fi
exec "$wine" "$prog" "$@"
