#!/usr/bin/env bash
# Idle CPU of a connected panel: TRXDESK.exe on trxsim's port, the simulator reporting once a
# second, measured over 30 s across every process of the Wine prefix (wineserver included),
# then the same for a minimal program showing the panel's template with its 100 ms timer,
# which is what Wine costs for that window.
# Usage: idle_cpu.sh TRXDESK.exe TRXSIM PREFIX MINIMAL_DIALOG.exe [PTY_SHIM.so]
set -u
exe=$1 trxsim=$2 prefix=$3 minimal=$4 shim=${5:-}
top=$(cd "$(dirname "$0")/../.." && pwd)
com=9
# A smoke run (TRX_BENCH_SMOKE set, as in the test command) only proves that it still works.
window=30 settle=2 warm=4
[ -n "${TRX_BENCH_SMOKE:-}" ] && window=1 settle=0 warm=1
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
sleep $settle # let start-up settle

# Clock ticks of the processes in this prefix whose command line contains $1 ("" for all).
prefix_ticks() {
  local total=0 pid stat pattern=$1
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$prefix" || continue
    { tr '\0' ' ' <"/proc/$pid/cmdline"; } 2>/dev/null | grep -qF -- "$pattern" || continue
    stat=$(cut -d')' -f2- "/proc/$pid/stat" 2>/dev/null) || continue
    set -- $stat
    total=$((total + ${12} + ${13}))
  done
  echo $total
}
hz=$(getconf CLK_TCK)
percent() { awk -v t="$1" -v hz="$hz" -v w=$window 'BEGIN { printf "%.2f", 100 * t / hz / w }'; }

all_before=$(prefix_ticks "") own_before=$(prefix_ticks TRXDESK.exe)
sleep $window
all_after=$(prefix_ticks "") own_after=$(prefix_ticks TRXDESK.exe)
kill -0 "$panel_pid" 2>/dev/null || { echo "idle_cpu: the panel ended during the measurement"; exit 1; }
all=$(percent $((all_after - all_before)))
own=$(percent $((own_after - own_before)))

# The same window of time for a program that only shows a dialog.
kill "$panel_pid" 2>/dev/null
wineserver -k >/dev/null 2>&1
wine "$minimal" >/dev/null 2>&1 &
panel_pid=$!
sleep $warm
base_before=$(prefix_ticks "")
sleep $window
base_after=$(prefix_ticks "")
base=$(percent $((base_after - base_before)))

echo "idle CPU over $window s, % of one core: TRXDESK.exe itself $own, with Wine's processes $all; the same template alone with Wine's processes $base"
echo "idle CPU of the connected panel, Wine processes included: $all % of one core (target below 0.5)"
