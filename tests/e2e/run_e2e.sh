#!/usr/bin/env bash
# Runs the end-to-end driver: Xvfb, a Wine prefix with a virtual desktop, trxsim on a COM
# port of that prefix, then the driver, which starts TRXDESK.exe itself. The driver asks
# for screenshots with request files; a watcher here answers them with PNG files.
# Usage: run_e2e.sh DRIVER.exe TRXDESK.exe TRXSIM PREFIX ARTIFACTS [PTY_SHIM.so]
set -u
driver=$1 exe=$2 trxsim=$3 prefix=$4 artifacts=$5 shim=${6:-}
top=$(cd "$(dirname "$0")/../.." && pwd)
com=17
tmp=$(mktemp -d)
xvfb_pid="" sim_pid="" watcher_pid=""

cleanup() {
  [ -n "$watcher_pid" ] && kill "$watcher_pid" 2>/dev/null
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

wait_for_line() { # file, pattern: prints the line's second field
  for _ in $(seq 200); do
    line=$(grep -m1 "$2" "$1" 2>/dev/null) && { echo "${line#* }"; return 0; }
    sleep 0.05
  done
  return 1
}

mkdir -p "$artifacts"
rm -f "$artifacts"/*.png "$artifacts"/*.request

Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$tmp/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 200); do [ -s "$tmp/display" ] && break; sleep 0.05; done
[ -s "$tmp/display" ] || { echo "run_e2e: Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"

export WINEPREFIX=$prefix
. "$top/scripts/wine-env.sh"
"$top/scripts/wine-prefix.sh" "$prefix" desktop || exit 1

"$trxsim" --link "$prefix/dosdevices/com$com" --control-port 0 >"$tmp/sim.out" 2>&1 &
sim_pid=$!
port=$(wait_for_line "$tmp/sim.out" '^CONTROL ') || {
  echo "run_e2e: trxsim did not start"
  cat "$tmp/sim.out"
  exit 1
}

while :; do
  for request in "$artifacts"/*.request; do
    [ -f "$request" ] || continue
    import -window root "${request%.request}.png"
    rm -f "$request"
  done
  sleep 0.1
done &
watcher_pid=$!

export TRXSIM_CONTROL_PORT=$port TRXSIM_COM=$com TRX_ARTIFACTS=$artifacts
export TRXDESK_EXE="Z:${exe//\//\\}"
[ -n "$shim" ] && export LD_PRELOAD=$shim
"$top/scripts/wine-exec.sh" "$prefix" "$driver"
rc=$?
echo "screenshots in $artifacts"
exit $rc
