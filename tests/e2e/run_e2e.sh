#!/usr/bin/env bash
# Runs the end-to-end driver: Xvfb, a Wine prefix with a virtual desktop, trxsim on a COM
# port of that prefix, then the driver, which starts TRXDESK.exe itself. The driver asks
# for screenshots with request files; a watcher here answers them with PNG files.
# Usage: run_e2e.sh DRIVER.exe TRXDESK.exe TRXSIM PREFIX ARTIFACTS [PTY_SHIM.so]
set -u
driver=$1 exe=$2 trxsim=$3 prefix=$4 artifacts=$5 shim=${6:-}
top=$(cd "$(dirname "$0")/../.." && pwd)
com=17 com2=18 com3=19 # more transmitters: switching ports, panels side by side
tmp=$(mktemp -d)
xvfb_pid="" sim_pids=() watcher_pid=""

cleanup() {
  [ -n "$watcher_pid" ] && kill "$watcher_pid" 2>/dev/null
  for pid in "${sim_pids[@]}"; do
    kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
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

start_sim() { # name, COM number: prints the control port
  "$trxsim" --link "$prefix/dosdevices/com$2" --control-port 0 >"$tmp/$1.out" 2>&1 &
  sim_pids+=($!)
  wait_for_line "$tmp/$1.out" '^CONTROL ' || {
    echo "run_e2e: trxsim on COM$2 did not start" >&2
    cat "$tmp/$1.out" >&2
    return 1
  }
}
start_sim sim "$com" >"$tmp/port" || exit 1
start_sim sim2 "$com2" >"$tmp/port2" || exit 1
start_sim sim3 "$com3" >"$tmp/port3" || exit 1
port=$(cat "$tmp/port") port2=$(cat "$tmp/port2") port3=$(cat "$tmp/port3")

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
export TRXSIM_CONTROL_PORT2=$port2 TRXSIM_COM2=$com2 TRXSIM_CONTROL_PORT3=$port3 TRXSIM_COM3=$com3
export TRXDESK_EXE="Z:${exe//\//\\}"
[ -n "$shim" ] && export TRX_WINE_PRELOAD=$shim # for the Wine processes only
"$top/scripts/wine-exec.sh" "$prefix" "$driver"
rc=$?
echo "screenshots in $artifacts"
exit $rc
