#!/usr/bin/env bash
# The test command: installs what is missing, builds the native and both Windows trees and
# runs every test through CTest (native tests with sanitizers; Windows tests under Wine).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"

build=${TRX_BUILD_DIR:-$top/build}
jobs=$(nproc)

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

for dir in native win64 win32; do
  echo "== building $dir"
  cmake --build "$build/$dir" -j "$jobs"
done

# The i686 tree runs the same tests under Wine's 32-bit half. Benchmarks run on demand
# (bench/figures.sh); here each runs as a short smoke (label smoke).
status=0
passed=0
failed=0
for dir in native win64 win32; do
  skip=(-LE bench)
  echo "== testing $dir"
  ctest --test-dir "$build/$dir" -j "$jobs" --output-on-failure --timeout 600 "${skip[@]}" |
    tee "$build/$dir.ctest.log" || status=1
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
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

# The sources keep the tree's .clang-format: one check of the closing line.
echo "== clang-format"
if (cd "$top" && git ls-files -z 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' \
  'bench/*.h' 'tools/*.cpp' 'tools/*.h' 'tools/*.c' 'fuzz/*.cpp' 'fuzz/*.h' |
  xargs -0 clang-format --dry-run -Werror); then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  status=1
fi

# The package as it ships, from the trees just built: one check of the closing line.
echo "== release package"
if "$top/scripts/release.sh" --quick && "$top/packaging/check_package.sh"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  status=1
fi

# The stories' figures; the benchmarks' come from bench/figures.sh.
echo "== figures"
for dir in native win64; do
  grep -hE '^(display cleared|missing echo|flood of|during a flood|soak of)' \
    "$build/$dir/Testing/Temporary/LastTest.log" 2>/dev/null || true
done
# One closing line over all three trees.
echo "$passed passed, $failed failed"
exit $status
