#!/usr/bin/env bash
# Builds and runs a Windows benchmark under Wine against trxsim:
#   bench/win/run.sh           serial round trip (COM47)
#   bench/win/run.sh latency   the real TRXDESK.exe driven from another process: command ->
#                              line and report -> display (COM48)
# Uses build/win64 and build/native, or $TRX_BUILD_DIR.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${TRX_BUILD_DIR:-$top/build}
case ${1:-serial} in
serial) bench=serial_roundtrip_bench com=47 ;;
latency) bench=panel_latency_bench com=48 ;;
*) echo "usage: bench/win/run.sh [serial|latency]" >&2; exit 2 ;;
esac
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
build_target win64 "$bench" # with what it depends on: the pty shim, TRXDESK.exe
exe=$build/win64/TRXDESK.exe
export TRXDESK_EXE="Z:${exe//\//\\}"
exec "$top/tests/win/run-with-trxsim.sh" --prefix "$build/win64/wineprefix" \
  --trxsim "$build/native/tools/trxsim/trxsim" --shim "$build/win64/tools/ptyshim/libptyshim.so" \
  --com "$com" -- "$build/win64/bench/win/$bench.exe"
