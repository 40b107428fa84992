#!/usr/bin/env bash
# The monitoring story with the real servers: trxsim on a COM port of a prefix of its own,
# the real TRXDESK.exe on it with its control port on and a hostile title in its registry
# key, and Debian's Prometheus and Alertmanager scraping it on loopback with the shipped
# configuration (monitoring_e2e.py makes their test copies and runs the webhook receiver).
# Usage: run_monitoring_e2e.sh TRXDESK.exe TRXSIM PREFIX PTY_SHIM.so
set -u
exe=$1 trxsim=$2 prefix=$3 shim=$4
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../../.." && pwd)
com=24
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

for tool in prometheus prometheus-alertmanager; do
  command -v "$tool" >/dev/null ||
    { echo "run_monitoring_e2e: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
export WINEPREFIX=$prefix
. "$top/scripts/wine-env.sh"
"$top/scripts/wine-prefix.sh" "$prefix" || exit 1

# The title as a registry file may hold it: quotes, a backslash, an umlaut and a line break.
python3 "$here/monitoring_e2e.py" --title-reg "$com" >"$tmp/title.reg" || exit 1
"$top/scripts/wine-exec.sh" "$prefix" reg import "Z:${tmp//\//\\}\\title.reg" ||
  { echo "run_monitoring_e2e: the title did not go into the registry" >&2; exit 1; }

"$trxsim" --link "$prefix/dosdevices/com$com" --control-port 0 >"$tmp/sim.out" 2>&1 </dev/null &
sim_pid=$!
for _ in $(seq 200); do
  sim_port=$(sed -n 's/^CONTROL \([0-9][0-9]*\).*/\1/p' "$tmp/sim.out")
  [ -n "$sim_port" ] && break
  sleep 0.05
done
[ -n "$sim_port" ] || { echo "run_monitoring_e2e: trxsim did not start" >&2; cat "$tmp/sim.out" >&2; exit 1; }

control_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
TRX_WINE_PRELOAD=$shim "$top/scripts/wine-exec.sh" "$prefix" "$exe" "C$com" \
  "STEUERPORT=$control_port" >"$tmp/panel.out" 2>&1 &
panel_pid=$!

STEUERPORT=$control_port TRXSIM_CONTROL_PORT=$sim_port TRXSIM_COM=$com \
  MONITORING_DIR="$top/monitoring" python3 "$here/monitoring_e2e.py"
