#!/usr/bin/env bash
# The test command. Installs what is missing, builds every configuration and runs every test:
#   the 32-bit and 64-bit Windows plug-ins with their test programs under 32-bit Wine and wine64
#   (on a virtual display), the two plug-ins' renders compared byte for byte, native
#   (RelWithDebInfo, with the check of both .8bf files as a host reads them), ASan+UBSan at -O1
#   (every test) and TSan (the tests labelled `threads`). Warnings are errors; the sources must
#   be formatted.
# Prints a summary with each step's time and exits non-zero when anything failed or could not
# run.
#
#   ./check.sh
#   ./check.sh --only fuzz                     the packages, then that one step (with its build)
#   QUENARA_BUILD_ROOT=/some/dir ./check.sh    build trees there instead of build/
set -uo pipefail
cd "$(dirname "$0")"
source_dir="$PWD"
root="$(realpath -m "${QUENARA_BUILD_ROOT:-build}")"
jobs=2  # the machines this runs on have two cores
only=""
if [ "${1:-}" = --only ]; then
  only="${2:-}"
  case "$only" in
    fuzz) ;;
    *) echo "check.sh: --only takes: fuzz" >&2; exit 2 ;;
  esac
fi

packages=(
  build-essential cmake pkg-config python3 ccache clang-format
  googletest libgtest-dev libbenchmark-dev libpng-dev zlib1g-dev libtiff-dev libjpeg62-turbo-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64 libz-mingw-w64-dev
  wine64 wine32:i386 xvfb xauth imagemagick clang libclang-rt-14-dev
)
check_start=$(date +%s)
mkdir -p "$root/logs"
names=()
states=()
seconds=()
failed=0

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

# Prints the summary and exits: non-zero when anything failed or did not run.
summary() {
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
  exit 0
}

if ! step packages .ci/ensure-packages.sh "${packages[@]}"; then
  echo "check.sh: could not install the packages it needs" >&2
  exit 1
fi

# 32-bit Windows programs need 32-bit Wine; a machine without it cannot test the 32-bit plug-in,
# and says so in the summary rather than passing without it.
can_run_win32=0
if [ -n "$only" ]; then
  :  # one step only: no Windows tests, no format check
elif step wine32 /usr/lib/wine/wine --version; then
  can_run_win32=1
else
  echo "check.sh: *** 32-bit Wine does not run here: the 32-bit plug-in's tests are NOT RUN ***"
fi

# The tree is formatted with its .clang-format; a file that is not fails here, before any build.
[ -n "$only" ] || step format bash -c 'git ls-files -z "*.cpp" "*.h" | xargs -0 clang-format --dry-run --Werror'

# Warnings are errors here; ccache (when installed) keeps rebuilds of unchanged sources cheap.
common=(-DQUENARA_WERROR=ON)
if command -v ccache >/dev/null; then
  common+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

plugin32="$root/win32/Quenara.8bf"
plugin64="$root/win64/Quenara64.8bf"

# build PRESET [CMAKE ARGS...] [-- TARGETS...]: configure and build one tree; sets built_<preset>.
build() {
  local preset="$1"
  shift
  local args=() targets=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do args+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  for t in "$@"; do targets+=(--target "$t"); done
  if step "configure-$preset" cmake -S "$source_dir" --preset "$preset" -B "$root/$preset" \
       "${common[@]}" "${args[@]}" >/dev/null &&
     step "build-$preset" cmake --build "$root/$preset" -j "$jobs" "${targets[@]}"; then
    eval "built_$preset=1"
  else
    eval "built_$preset=0"
  fi
}

export CTEST_OUTPUT_ON_FAILURE=1
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

# wine_tests NAME TREE [CTEST ARGS...]: a tree's Windows test programs on one virtual display
# (message boxes and dialogs open), ending with the tree's wineserver so the session closes
# cleanly.
wine_tests() {
  local name="$1" tree="$2"
  shift 2
  step "$name" xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    tree="$1"; shift
    ctest --test-dir "$tree" -j '"$jobs"' "$@"
    status=$?
    for prefix in "$tree"/wineprefix '"$root"'/win32/wineprefix '"$root"'/win64/wineprefix; do
      [ -d "$prefix" ] && WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w
    done
    exit $status' wine-tests "$tree" "$@"
}

# Fuzz programs (clang, libFuzzer with ASan+UBSan) over the readers of outside data: the PNG
# readers, preset files, scripting descriptors, plug-in files; 40 s each, two at a time. Only
# they and the libraries under them are built in that tree.
fuzz_step() {
  build fuzz
  if [ "$built_fuzz" = 1 ]; then
    step fuzz tests/fuzz/run-fuzzers.sh "$root/fuzz" 40
  else
    skip fuzz "build failed"
  fi
}
if [ "$only" = fuzz ]; then
  fuzz_step
  summary
fi

# The Windows libraries first: the native tree's tests read them.
build win32
build win64
if [ "$built_win64" = 1 ]; then
  wine_tests test-win64-wine "$root/win64"
else
  skip test-win64-wine "build failed"
fi
if [ "$can_run_win32" != 1 ]; then
  skip test-win32-wine "32-bit Wine does not run on this machine"
elif [ "$built_win32" = 1 ]; then
  wine_tests test-win32-wine "$root/win32"
else
  skip test-win32-wine "build failed"
fi

# Native: every test but the Windows builds' comparison, which runs under Wine below. The
# native tree alone checks both .8bf files as a host reads them.
build native -DQUENARA_WIN32_PLUGIN="$plugin32" -DQUENARA_WIN64_PLUGIN="$plugin64"
if [ "$built_native" = 1 ]; then
  step test-native ctest --test-dir "$root/native" -j "$jobs" -LE wine
  if [ "$can_run_win32" = 1 ] && [ "$built_win32" = 1 ] && [ "$built_win64" = 1 ]; then
    wine_tests compare-win32-win64 "$root/native" -L wine
  else
    skip compare-win32-win64 "a Windows build or 32-bit Wine is missing"
  fi
else
  skip test-native "build failed"
  skip compare-win32-win64 "native build failed"
fi
fuzz_step

# Sanitizers: ASan+UBSan on every test; TSan only where threads run (the worker pool and the
# threaded bands), so only those programs are built there.
build asan
if [ "$built_asan" = 1 ]; then
  step test-asan ctest --test-dir "$root/asan" -j "$jobs"
else
  skip test-asan "build failed"
fi
build tsan -- test_host test_engine test_effect
if [ "$built_tsan" = 1 ]; then
  step test-tsan ctest --test-dir "$root/tsan" -j "$jobs" -L threads
else
  skip test-tsan "build failed"
fi

summary
