#!/usr/bin/env bash
# Builds and runs the panel latency benchmark: the real TRXDESK.exe under Wine against
# trxsim on COM48, driven from another process (command -> line, report -> display).
# Usage: bench/win/latency.sh   (uses build/win64 and build/native, or $TRX_BUILD_DIR)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${TRX_BUILD_DIR:-$top/build}
for dir in native win64; do
  [ -f "$build/$dir/build.ninja" ] || {
    echo "bench: $build/$dir is not configured; run scripts/test.sh once" >&2
    exit 1
  }
done
# Quiet unless the build fails; ninja prints its errors on standard output.
build_target() { # dir, target
  local log
  log=$(cmake --build "$build/$1" --target "$2" -j 2 2>&1) || {
    echo "$log" >&2
    echo "bench: building $2 in $build/$1 failed" >&2
    exit 1
  }
}
build_target native trxsim
build_target win64 panel_latency_bench # and TRXDESK.exe and the pty shim it depends on
exe=$build/win64/TRXDESK.exe
export TRXDESK_EXE="Z:${exe//\//\\}"
# No own report rounds from the simulator: the trials' reports keep the link up.
exec "$top/tests/win/run-with-trxsim.sh" --prefix "$build/win64/wineprefix" \
  --trxsim "$build/native/tools/trxsim/trxsim" --shim "$build/win64/tools/ptyshim/libptyshim.so" \
  --com 48 -- "$build/win64/bench/win/panel_latency_bench.exe"
