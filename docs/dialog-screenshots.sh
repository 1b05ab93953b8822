#!/usr/bin/env bash
# Re-takes docs/images/dialog-interface.png and dialog-preview.png: the 64-bit build's
# quenara.exe opens the dialog on the sample photograph under Wine on a virtual display, with
# a preset file of three presets, of which a click chooses the light rays from the brightest
# floodlight; both windows are cut out of a picture of the display.
#
#   docs/dialog-screenshots.sh [BUILD_DIR]     (default build/win64; needs ImageMagick)
#
# The Wine prefix is one of its own (BUILD_DIR/screenshot-prefix), so that the dialog opens as
# on a first run, with window places set below rather than remembered from the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/win64}"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
export WINEPREFIX="$PWD/$build/screenshot-prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wine=/usr/lib/wine/wine64
rm -rf "$WINEPREFIX"
"$wine" wineboot -i >/dev/null 2>&1 || true
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null

presets="$WINEPREFIX/drive_c/presets.cfg"
save() { "$wine" "$build/quenara.exe" --save-preset "$presets" --preset-name "$@" >/dev/null; }
save "floodlight rays" -p Origin=0.5672,0.9297 -p SelectionLow=170 -p BlendMode=screen \
  -p Strength=0.5 -p Intensity=1.5
save "floodlight rainbow" -p Origin=0.5672,0.9297 -p SelectionLow=170 -p BlendMode=screen \
  -p Strength=0.5 -p Intensity=1.5 -p Mode=abberative
save "soft zoom" -p Strength=0.15
key='HKCU\SOFTWARE\Kestrimond\Photoshop\Quenara'
"$wine" reg add "$key" /v "Preset Path" /d 'C:\presets.cfg' /f >/dev/null
# The interface at the left, the preview beside it, large enough to show the photograph 1:1.
for value in "Interface Position X=0" "Interface Position Y=0" "Preview Position X=285" \
  "Preview Position Y=0" "Preview Position Width=670" "Preview Position Height=500"; do
  "$wine" reg add "$key" /v "${value%=*}" /t REG_DWORD /d "${value#*=}" /f >/dev/null
done

"$wine" "$build/quenara.exe" --dialog resources/sample/rocket.png "$WINEPREFIX/out.png" &
pid=$!
sleep 10 # the preview renders and Wine puts both windows on the screen
# A user's clicks (XTest): open the preset list and choose its second entry, "floodlight rays".
python3 - 145,517 145,547 <<'PY'
import ctypes, sys, time
x11, xtest = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
display = ctypes.c_void_p(x11.XOpenDisplay(None))
for point in sys.argv[1:]:
    px, py = map(int, point.split(","))
    xtest.XTestFakeMotionEvent(display, -1, px, py, 0)
    for press in (1, 0):
        xtest.XTestFakeButtonEvent(display, 1, press, 0)
    x11.XFlush(display)
    time.sleep(1.5)
PY
sleep 6 # the preset's preview
shot="$WINEPREFIX/display.png"
import -window root "$shot"
geometry() { xwininfo -root -tree | awk -v name="$1" 'index($0, name) { print $(NF - 1); exit }'; }
convert "$shot" -crop "$(geometry '"Quenara V1.1"')" +repage docs/images/dialog-interface.png
convert "$shot" -crop "$(geometry '"Preview')" +repage docs/images/dialog-preview.png
kill "$pid"
/usr/lib/wine/wineserver -k || true
echo "docs/images/dialog-interface.png docs/images/dialog-preview.png"
