#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine with one prefix per build tree (creating a prefix
# takes about 15 s, so it is kept). The prefix lives next to the CTest working directory's
# build tree: QUENARA_WINEPREFIX overrides it.
set -euo pipefail
prog="$1"
shift
build_dir="${QUENARA_WINE_BUILD_DIR:-$(cd "$(dirname "$prog")" && while [ ! -f CMakeCache.txt ] && [ "$PWD" != / ]; do cd ..; done; pwd)}"
export WINEPREFIX="${QUENARA_WINEPREFIX:-$build_dir/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -d "$WINEPREFIX" ]; then
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || true
fi
exec /usr/lib/wine/wine64 "$prog" "$@"
