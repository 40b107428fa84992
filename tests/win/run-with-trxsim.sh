#!/usr/bin/env bash
# Runs a Windows test program under Wine against trxsim on ptys mapped to COM ports of the
# test prefix, and always stops the simulators and removes the mappings afterwards.
#
# Usage: run-with-trxsim.sh --prefix DIR --trxsim PATH --shim LIB --com N
#          [--com2 N] [--missing N] [--dangling N] [--report-interval-ms MS] [--baud N]
#          -- PROGRAM.exe [ARGS]
#
# The program sees (Unix environment variables reach Windows processes under Wine):
#   TRXSIM_COM, TRXSIM_CONTROL_PORT      the simulator on COM<com>
#   TRXSIM_COM2, TRXSIM_CONTROL_PORT2    a second simulator on COM<com2>, if asked for
#   TRXSIM_MISSING_COM                   a COM number left unmapped
#   TRXSIM_DANGLING_COM                  a COM number mapped to a path that does not exist
# The Wine processes get LD_PRELOAD=<shim> (the pty's tcsetattr parity fix), built for
# the program's bitness.
set -u
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)

prefix="" trxsim="" shim="" com="" com2="" missing="" dangling=""
# No own report rounds: they would mix with the bytes under test; tests inject theirs.
interval=0
baud=0 # unpaced
while [ $# -gt 0 ]; do
  case $1 in
  --prefix) prefix=$2; shift 2 ;;
  --trxsim) trxsim=$2; shift 2 ;;
  --shim) shim=$2; shift 2 ;;
  --com) com=$2; shift 2 ;;
  --com2) com2=$2; shift 2 ;;
  --missing) missing=$2; shift 2 ;;
  --dangling) dangling=$2; shift 2 ;;
  --report-interval-ms) interval=$2; shift 2 ;;
  --baud) baud=$2; shift 2 ;;
  --) shift; break ;;
  *) echo "run-with-trxsim: unknown argument $1" >&2; exit 2 ;;
  esac
done
if [ -z "$prefix" ] || [ -z "$trxsim" ] || [ -z "$shim" ] || [ -z "$com" ] || [ $# -eq 0 ]; then
  echo "run-with-trxsim: --prefix, --trxsim, --shim, --com and a program are required" >&2
  exit 2
fi
absolute() { case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
prefix=$(absolute "$prefix")
shim=$(absolute "$shim")
if [ ! -x "$trxsim" ]; then
  echo "run-with-trxsim: no simulator at $trxsim (build it: cmake --build build/native --target trxsim)" >&2
  exit 1
fi
if [ ! -f "$shim" ]; then
  echo "run-with-trxsim: no pty shim at $shim" >&2
  exit 1
fi

export WINEPREFIX=$prefix
"$top/scripts/wine-prefix.sh" "$prefix" || exit 1
devices=$prefix/dosdevices

work=$(mktemp -d)
pids=()
links=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null
  done
  for link in "${links[@]}"; do
    rm -f "$link"
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# start_sim NAME COM: starts a simulator linked to COM<COM>; sets control_port.
start_sim() {
  local name=$1 number=$2 out=$work/$1.out pid
  local link=$devices/com$number
  links+=("$link")
  "$trxsim" --link "$link" --control-port 0 --pidfile "$work/$name.pid" \
    --report-interval-ms "$interval" --baud "$baud" >"$out" 2>&1 </dev/null &
  pid=$!
  pids+=("$pid")
  control_port=""
  # The simulator prints its control port once the pty is linked; allow it 10 s.
  for _ in $(seq 200); do
    control_port=$(sed -n 's/^CONTROL \([0-9][0-9]*\).*/\1/p' "$out")
    [ -n "$control_port" ] && [ -L "$link" ] && return 0
    if ! kill -0 "$pid" 2>/dev/null; then
      break
    fi
    sleep 0.05
  done
  echo "run-with-trxsim: $name on COM$number did not start:" >&2
  cat "$out" >&2
  return 1
}

start_sim sim "$com" || exit 1
export TRXSIM_COM=$com TRXSIM_CONTROL_PORT=$control_port
if [ -n "$com2" ]; then
  start_sim sim2 "$com2" || exit 1
  export TRXSIM_COM2=$com2 TRXSIM_CONTROL_PORT2=$control_port
fi
if [ -n "$missing" ]; then
  rm -f "$devices/com$missing"
  export TRXSIM_MISSING_COM=$missing
fi
if [ -n "$dangling" ]; then
  links+=("$devices/com$dangling")
  ln -sfn "$work/no-such-device" "$devices/com$dangling"
  export TRXSIM_DANGLING_COM=$dangling
fi

TRX_WINE_PRELOAD=$shim "$top/scripts/wine-exec.sh" "$prefix" "$@"
status=$?
exit $status
