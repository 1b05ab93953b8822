#!/usr/bin/env bash
# Shows the about box once, as the plug-in draws it under Wine, and saves a screenshot of the
# virtual display:  tests/resources/screenshot-about.sh [WIN64_BUILD_DIR] [OUTPUT.png]
# The dialog watchdog keeps the box up for QUENARA_WATCHDOG_HOLD_MS while `import` grabs the
# display, then closes it as in the test run.
set -euo pipefail
build="$(cd "${1:-build/win64}" && pwd)"
output="$(realpath -m "${2:-about-box.png}")"
here="$(cd "$(dirname "$0")" && pwd)"
program="$build/tests/resources/test_resources.exe"
[ -f "$program" ] || { echo "no $program: build the win64 tree first" >&2; exit 1; }

xvfb-run -a -s "-screen 0 640x480x24" bash -c '
  set -euo pipefail
  log=$(mktemp)
  QUENARA_WATCHDOG_HOLD_MS=4000 "$1" "$2" --gtest_filter=AboutBox.ShowsTheTextInControl1083AndReturnsWhenAnswered >"$log" 2>&1 &
  test=$!
  # Wine starts in a few seconds; the box is up once the test has begun, plus drawing time.
  for _ in $(seq 1 120); do grep -q "RUN .*AboutBox" "$log" && break; sleep 0.25; done
  sleep 2
  import -window root "$3"
  wait "$test"
  cat "$log" | grep -E "OK|FAILED" || true
  rm -f "$log"
' screenshot "$here/../../cmake/wine-run.sh" "$program" "$output"
echo "screenshot: $output"
