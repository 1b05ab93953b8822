#!/usr/bin/env bash
# The test command. Installs what is missing, builds every configuration and runs every test:
#   native (RelWithDebInfo), ASan+UBSan, TSan, the 32-bit and 64-bit Windows plug-ins, the
#   64-bit Windows test programs under Wine on a virtual display, and the native check of both
#   .8bf files as a host reads them.
# Prints a summary and exits non-zero when anything failed.
#
#   ./check.sh
#   QUENARA_BUILD_ROOT=/some/dir ./check.sh    build trees there instead of build/
set -uo pipefail
cd "$(dirname "$0")"
source_dir="$PWD"
root="$(realpath -m "${QUENARA_BUILD_ROOT:-build}")"
jobs=2  # the machines this runs on have two cores

packages=(
  build-essential cmake pkg-config python3
  googletest libgtest-dev libbenchmark-dev libpng-dev zlib1g-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64 libz-mingw-w64-dev
  wine64 xvfb xauth imagemagick
)
if ! .ci/ensure-packages.sh "${packages[@]}"; then
  echo "check.sh: could not install the packages it needs" >&2
  exit 1
fi

mkdir -p "$root/logs"
names=()
states=()
seconds=()
failed=0
check_start=$(date +%s)

# step NAME COMMAND...: runs the command with its output shown and kept in logs/NAME.log.
step() {
  local name="$1"
  shift
  local start
  start=$(date +%s)
  echo
  echo "=== $name: $*"
  "$@" 2>&1 | tee "$root/logs/$name.log"
  local status=${PIPESTATUS[0]}
  names+=("$name")
  seconds+=($(($(date +%s) - start)))
  if [ "$status" -eq 0 ]; then
    states+=("passed")
  else
    states+=("FAILED (exit $status, log: $root/logs/$name.log)")
    failed=1
  fi
  return "$status"
}

skip() {
  names+=("$1")
  seconds+=(0)
  states+=("NOT RUN ($2)")
  failed=1
}

plugin32="$root/win32/Quenara.8bf"
plugin64="$root/win64/Quenara64.8bf"

# build PRESET [CMAKE ARGS...]: configure and build one tree; sets built_<preset>.
build() {
  local preset="$1"
  shift
  if step "configure-$preset" cmake -S "$source_dir" --preset "$preset" -B "$root/$preset" "$@" &&
     step "build-$preset" cmake --build "$root/$preset" -j "$jobs"; then
    eval "built_$preset=1"
  else
    eval "built_$preset=0"
  fi
}

# The Windows libraries first: the native resource test reads them.
build win32
build win64
for preset in native asan tsan; do
  build "$preset" -DQUENARA_WIN32_PLUGIN="$plugin32" -DQUENARA_WIN64_PLUGIN="$plugin64"
done

export CTEST_OUTPUT_ON_FAILURE=1
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

for preset in native asan tsan; do
  if [ "$(eval echo "\$built_$preset")" = 1 ]; then
    step "test-$preset" ctest --test-dir "$root/$preset" -j "$jobs" --timeout 1800
  else
    skip "test-$preset" "build failed"
  fi
done

# Windows test programs under 64-bit Wine (cmake/wine-run.sh is the cross-compiling emulator),
# on one virtual display for the whole run so that message boxes and dialogs can open.
if [ "$built_win64" = 1 ]; then
  step "test-win64-wine" xvfb-run -a -s "-screen 0 1024x768x24" \
    ctest --test-dir "$root/win64" -j "$jobs" --timeout 1800
else
  skip "test-win64-wine" "build failed"
fi

# Both plug-in libraries as a host sees them (machine, single export, system imports, PiPL,
# AETE, dialogs, strings, icon, cursor). The native run above includes this; it is repeated
# on its own so the summary names it, and it fails when either library is missing.
if [ "$built_native" = 1 ]; then
  step "plugin-files" bash -c '
    for f in "$1" "$2"; do [ -f "$f" ] || { echo "missing $f"; exit 1; }; done
    ls -l "$1" "$2"
    "$3" --gtest_filter="Plugins/*" --gtest_brief=1' \
    plugin-files "$plugin32" "$plugin64" "$root/native/tests/resources/test_resources"
else
  skip "plugin-files" "native build failed"
fi

total=$(($(date +%s) - check_start))
# Processor time of every step (user + system, all processes): on a shared machine the wall
# time says little, this divided by the number of cores is what an idle machine needs.
read -r -a stat </proc/$$/stat
cpu=$(((stat[15] + stat[16]) / $(getconf CLK_TCK)))
echo
echo "=== Summary (build trees in $root)"
for i in "${!names[@]}"; do
  printf '  %-18s %5ss  %s\n' "${names[$i]}" "${seconds[$i]}" "${states[$i]}"
done
printf '  %-18s %5ss  (processor time of all steps %ss on %s cores)\n' "total" "$total" "$cpu" "$(nproc)"
if [ "$failed" -ne 0 ]; then
  echo "check.sh: FAILED"
  exit 1
fi
echo "check.sh: all builds and tests passed"
