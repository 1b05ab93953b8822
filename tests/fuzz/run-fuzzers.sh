#!/usr/bin/env bash
# Runs every fuzz program of a fuzz tree (cmake --preset fuzz) for a bounded time, two at a
# time, from its committed seed corpus. New inputs go to a scratch corpus in the tree, never
# into the repository. Fails when a program finds a crash, a leak, a timeout or an excessive
# allocation, and prints the reproducer's path (add it to the corpus once the cause is fixed).
#
#   tests/fuzz/run-fuzzers.sh BUILD_DIR [SECONDS_EACH]    (default 40)
set -uo pipefail
tree="$(realpath "$1")"
seconds="${2:-40}"
corpus="$(cd "$(dirname "$0")" && pwd)/corpus"
dict="$(cd "$(dirname "$0")" && pwd)/png.dict"
targets=(png_libpng png_zlib preset descriptor plugin_file)

run() {
  local name="$1" seeds="$1" work="$tree/fuzz-runs/$1" extra=()
  case "$1" in png_*) seeds=png extra=(-dict="$dict") ;; esac
  rm -rf "$work" && mkdir -p "$work/new" "$work/found"
  TMPDIR="$work" "$tree/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/found/" "${extra[@]}" \
    "$work/new" "$corpus/$seeds" >"$work/log.txt" 2>&1
  local status=$?
  local runs
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log.txt" | grep -o '[0-9]*$')
  if [ "$status" -eq 0 ]; then
    echo "fuzz_$name: ${runs:-?} inputs in ${seconds} s, nothing found"
  else
    echo "fuzz_$name: FAILED (exit $status), log $work/log.txt"
    grep -E 'ERROR|SUMMARY' "$work/log.txt" | head -n 5
    for f in "$work"/found/*; do [ -e "$f" ] && echo "  reproducer: $f"; done
  fi
  return "$status"
}

failed=0
pids=()
for name in "${targets[@]}"; do
  run "$name" &
  pids+=($!)
  if [ "${#pids[@]}" -eq 2 ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[1]}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
exit "$failed"
