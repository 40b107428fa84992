#!/usr/bin/env bash
# Idle CPU of a connected panel: TRXDESK.exe on trxsim's port, the simulator reporting once a
# second, measured over 30 s across every process of the Wine prefix (wineserver included).
# Usage: idle_cpu.sh TRXDESK.exe TRXSIM PREFIX [PTY_SHIM.so]
set -u
exe=$1 trxsim=$2 prefix=$3 shim=${4:-}
top=$(cd "$(dirname "$0")/../.." && pwd)
com=9
window=30
tmp=$(mktemp -d)
sim_pid="" panel_pid=""
cleanup() {
  [ -n "$panel_pid" ] && kill "$panel_pid" 2>/dev/null
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

export WINEPREFIX=$prefix
. "$top/scripts/wine-env.sh"
"$top/scripts/wine-prefix.sh" "$prefix" || exit 1
"$trxsim" --link "$prefix/dosdevices/com$com" --control-port 0 --no-stdin \
  --report-interval-ms 1000 >"$tmp/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 200); do grep -q '^CONTROL ' "$tmp/sim.out" && break; sleep 0.05; done
control=$(sed -n 's/^CONTROL //p' "$tmp/sim.out")
[ -n "$control" ] || { echo "idle_cpu: trxsim did not start"; exit 1; }

exec 7<>"/dev/tcp/127.0.0.1/$control"
ask() { echo "$*" >&7 && read -r reply <&7 && echo "$reply"; }
ask mark >/dev/null
(
  [ -n "$shim" ] && export LD_PRELOAD=$shim
  exec wine "$exe" "C$com" NOREG >"$tmp/wine.out" 2>&1
) &
panel_pid=$!
connected=0
for _ in $(seq 100); do
  case "$(ask log)" in *:0F:15:0*) connected=1; break ;; esac
  sleep 0.1
done
[ $connected -eq 1 ] || { echo "idle_cpu: the panel did not ask for a refresh"; exit 1; }
sleep 2 # let start-up settle

# Clock ticks of every process that runs in this prefix.
prefix_ticks() {
  local total=0 pid stat
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$prefix" || continue
    stat=$(cut -d')' -f2- "/proc/$pid/stat" 2>/dev/null) || continue
    set -- $stat
    total=$((total + ${12} + ${13}))
  done
  echo $total
}
before=$(prefix_ticks)
sleep $window
after=$(prefix_ticks)
hz=$(getconf CLK_TCK)
kill -0 "$panel_pid" 2>/dev/null || { echo "idle_cpu: the panel ended during the measurement"; exit 1; }
awk -v t=$((after - before)) -v hz="$hz" -v w=$window 'BEGIN {
  printf "idle CPU of the connected panel over %d s, Wine processes included: %.2f %% of one core (target below 0.5)\n", w, 100 * t / hz / w }'
