#!/usr/bin/env bash
# The control port's end-to-end story: trxsim on a COM port of a prefix of its own, the real
# TRXDESK.exe on it with STEUERPORT=<a free port>, and control_e2e.py as the client on the
# Linux side of Wine's loopback. The panel needs no screen (the null display driver); its
# missing-echo message box stays open while the story goes on, as the operator would leave it.
# Other stories on the same set-up (the season schedule's, the monitoring's) name their script
# and COM number. With --registry the story's answer to `--registry COM` (a registry file) is
# imported into the port's key, and the panel runs with the registry instead of NOREG.
# Usage: run_control_e2e.sh TRXDESK.exe TRXSIM PREFIX PTY_SHIM.so [STORY.py COM [--registry]]
set -u
exe=$1 trxsim=$2 prefix=$3 shim=$4
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../../.." && pwd)
story=${5:-$here/control_e2e.py} com=${6:-23}
tmp=$(mktemp -d)
sim_pid="" panel_pid=""

cleanup() {
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
  [ -n "$panel_pid" ] && wait "$panel_pid" 2>/dev/null
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -f "$prefix/dosdevices/com$com"
  rm -rf "$tmp"
}
trap cleanup EXIT

export WINEPREFIX=$prefix
. "$top/scripts/wine-env.sh"
"$top/scripts/wine-prefix.sh" "$prefix" || exit 1

registry=NOREG
if [ "${7:-}" = --registry ]; then
  python3 "$story" --registry "$com" >"$tmp/story.reg" || exit 1
  "$top/scripts/wine-exec.sh" "$prefix" reg import "Z:${tmp//\//\\}\\story.reg" ||
    { echo "run_control_e2e: the story's values did not go into the registry" >&2; exit 1; }
  registry=""
fi

"$trxsim" --link "$prefix/dosdevices/com$com" --control-port 0 >"$tmp/sim.out" 2>&1 </dev/null &
sim_pid=$!
for _ in $(seq 200); do
  sim_port=$(sed -n 's/^CONTROL \([0-9][0-9]*\).*/\1/p' "$tmp/sim.out")
  [ -n "$sim_port" ] && break
  sleep 0.05
done
[ -n "$sim_port" ] || { echo "run_control_e2e: trxsim did not start" >&2; cat "$tmp/sim.out" >&2; exit 1; }

control_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
TRX_WINE_PRELOAD=$shim "$top/scripts/wine-exec.sh" "$prefix" "$exe" "C$com" $registry \
  "STEUERPORT=$control_port" >"$tmp/panel.out" 2>&1 &
panel_pid=$!

STEUERPORT=$control_port TRXSIM_CONTROL_PORT=$sim_port TRXSIM_COM=$com \
  python3 "$story"
