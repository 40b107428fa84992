#!/usr/bin/env bash
# The test command: installs what is missing, builds the native and both Windows trees and
# runs every test through CTest (native tests with sanitizers; Windows tests under Wine).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
# Which Wine runs here; the i686 tree's tests need its 32-bit half (TRX_WINE32).
. "$top/scripts/wine-env.sh"

build=${TRX_BUILD_DIR:-$top/build}
jobs=$(nproc)
# Each step's heading says when it began, in minutes and seconds since the start.
step() { printf '== %s (at %d:%02d)\n' "$1" $((SECONDS / 60)) $((SECONDS % 60)); }

configure() { # dir, extra cmake args...
  local dir=$1
  shift
  [ -f "$build/$dir/build.ninja" ] ||
    cmake -S "$top" -B "$build/$dir" -G Ninja "$@" >"$build/$dir.configure.log" 2>&1 ||
    { cat "$build/$dir.configure.log"; exit 1; }
}

mkdir -p "$build"
configure native -DCMAKE_BUILD_TYPE=Debug
configure win64 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw64.cmake"
configure win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw32.cmake"

# Every Wine prefix of the run is a copy of one booted template per Windows kind (see
# wine-prefix.sh); they are booted while the trees build. The i686 tree is built and
# packaged everywhere, but its tests run only where Wine's 32-bit half can.
export TRX_WINE_TEMPLATE=$build/wineprefix-template
windows_tests=(win64)
if [ "$TRX_WINE32" = yes ]; then
  windows_tests+=(win32)
elif [ "$TRX_RUNS_I386" = yes ]; then
  not_run_reason="Wine's 32-bit half (wine32:i386) is not installed"
else
  not_run_reason="no 32-bit programs run on this machine (TRX_RUNS_I386=no)"
fi
{
  "$top/scripts/wine-prefix.sh" --template &&
    if [ "$TRX_WINE32" = yes ]; then WINEARCH=win32 "$top/scripts/wine-prefix.sh" --template; fi
} >"$build/templates.log" 2>&1 &
templates=$!

# The checks run side by side, each into its own log, printed in turn once all have ended:
# the native tests and the format check while the Windows trees build, then the Wine tests
# of both trees and the release package, which spend much of their time waiting for the
# simulator, the panel and the watchdog. The i686 tree runs the Windows tests and stories
# again under Wine's 32-bit half, and the platform-free tests beside the native run.
# Benchmarks run on demand (bench/figures.sh); here each runs as a short smoke.
run_ctest() { # tree, tests at once
  ctest --test-dir "$build/$1" -j "$2" --output-on-failure --timeout 600 -LE bench \
    >"$build/$1.ctest.log" 2>&1
}
# The sources keep the tree's .clang-format.
run_format() {
  (cd "$top" && git ls-files -z 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' \
    'bench/*.h' 'tools/*.cpp' 'tools/*.h' 'tools/*.c' 'fuzz/*.cpp' 'fuzz/*.h' |
    xargs -0 clang-format --dry-run -Werror) >"$build/format.log" 2>&1
}
# The package as it ships, from the trees just built.
run_package() {
  { "$top/scripts/release.sh" --quick && "$top/packaging/check_package.sh"; } \
    >"$build/package.log" 2>&1
}
# A failed build ends the command: nothing started here outlives it.
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
declare -A checks

step "building native"
cmake --build "$build/native" -j "$jobs"
step "testing native and checking the format, beside the Windows builds"
run_ctest native "$jobs" &
checks[native]=$!
run_format &
checks[format]=$!
for dir in win64 win32; do
  step "building $dir"
  cmake --build "$build/$dir" -j "$jobs"
done
wait $templates || { cat "$build/templates.log"; exit 1; }

step "testing ${windows_tests[*]}, checking the release package"
# Half again as many Wine tests at once as cores: the soak alone waits for a minute.
for dir in "${windows_tests[@]}"; do
  run_ctest "$dir" $((jobs * 3 / 2)) &
  checks[$dir]=$!
done
run_package &
checks[package]=$!

status=0
passed=0
failed=0
for dir in native "${windows_tests[@]}"; do
  wait "${checks[$dir]}" || status=1
  step "results of $dir"
  cat "$build/$dir.ctest.log"
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$build/$dir.ctest.log" |
    tail -n1 | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/')
  if [ -n "$summary" ]; then
    set -- $summary
    failed=$((failed + $1))
    passed=$((passed + $2 - $1))
  else
    status=1
  fi
done
# The format and the package: one check each of the closing line.
for check in format package; do
  step "$check"
  if wait "${checks[$check]}"; then
    tail -n 3 "$build/$check.log"
    passed=$((passed + 1))
  else
    cat "$build/$check.log"
    failed=$((failed + 1))
    status=1
  fi
done

# The stories' figures; the benchmarks' come from bench/figures.sh.
step "figures"
for dir in native win64; do
  grep -hE '^(display cleared|missing echo|flood of|during a flood|soak of)' \
    "$build/$dir/Testing/Temporary/LastTest.log" 2>/dev/null || true
done
# One closing line over what ran; what could not run is said, not counted.
step "done"
if [ -n "${not_run_reason:-}" ]; then
  not_run=$(ctest --test-dir "$build/win32" -N -LE bench | sed -nE 's/^Total Tests: ([0-9]+)$/\1/p')
  echo "not run: the i686 tree's ${not_run:-?} Windows tests (built and packaged): $not_run_reason"
fi
echo "$passed passed, $failed failed"
exit $status
