#!/usr/bin/env bash
# Builds and runs the serial round-trip benchmark under Wine against trxsim on COM47.
# Usage: bench/win/run.sh   (uses build/win64 and build/native, or $TRX_BUILD_DIR)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${TRX_BUILD_DIR:-$top/build}
for dir in native win64; do
  [ -f "$build/$dir/build.ninja" ] || {
    echo "bench: $build/$dir is not configured; run scripts/test.sh once" >&2
    exit 1
  }
done
cmake --build "$build/native" --target trxsim -j 2 >/dev/null
cmake --build "$build/win64" --target serial_roundtrip_bench ptyshim -j 2 >/dev/null
exec "$top/tests/win/run-with-trxsim.sh" --prefix "$build/win64/wineprefix" \
  --trxsim "$build/native/tools/trxsim/trxsim" --shim "$build/win64/tools/ptyshim/libptyshim.so" \
  --com 47 -- "$build/win64/bench/win/serial_roundtrip_bench.exe"
