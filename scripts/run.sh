#!/usr/bin/env bash
# The run command: builds what is needed, starts trxsim on COM5 of the project's own Wine
# prefix and TRXDESK.exe on that port. With a display the panel opens there; without one it
# runs under Xvfb, plays a short scripted session and writes screenshots.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"

build=${TRX_BUILD_DIR:-$top/build}
run=$build/run
prefix=$run/wineprefix
com=5
mkdir -p "$run"

[ -f "$build/native/build.ninja" ] ||
  cmake -S "$top" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug >"$run/configure-native.log"
[ -f "$build/win64/build.ninja" ] ||
  cmake -S "$top" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw64.cmake" >"$run/configure-win64.log"
cmake --build "$build/native" --target trxsim >/dev/null
cmake --build "$build/win64" --target TRXDESK ptyshim >/dev/null
exe=$build/win64/TRXDESK.exe
trxsim=$build/native/tools/trxsim/trxsim
shim=$build/win64/tools/ptyshim/libptyshim.so

tmp=$(mktemp -d)
sim_pid="" xvfb_pid="" panel_pid=""
cleanup() {
  [ -n "$panel_pid" ] && kill "$panel_pid" 2>/dev/null
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  # Twice as tall as Wine's 1024x768 desktop at its top: Xvfb's pointer rests in the middle
  # of its screen and cannot be moved, and there it is below the desktop, not on the
  # panel's frequency display, whose tooltip would cover the labels.
  Xvfb -displayfd 5 -screen 0 1024x1536x24 -nolisten tcp 5>"$tmp/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 200); do [ -s "$tmp/display" ] && break; sleep 0.05; done
  export DISPLAY=":$(head -n1 "$tmp/display")"
fi

export WINEPREFIX=$prefix
. "$top/scripts/wine-env.sh"
# The prefix is a copy of the Wine template the test command boots (or boots it).
TRX_WINE_TEMPLATE=${TRX_WINE_TEMPLATE:-$build/wineprefix-template} \
  "$top/scripts/wine-prefix.sh" "$prefix" desktop

"$trxsim" --link "$prefix/dosdevices/com$com" --control-port 0 --no-stdin >"$tmp/sim.out" 2>&1 &
sim_pid=$!
control=""
for _ in $(seq 200); do
  control=$(sed -n 's/^CONTROL //p' "$tmp/sim.out")
  [ -n "$control" ] && break
  sleep 0.05
done
[ -n "$control" ] || { echo "trxsim did not start:"; cat "$tmp/sim.out"; exit 1; }
echo "trxsim: $(sed -n 's/^PTY //p' "$tmp/sim.out") as COM$com, control port $control"

# The shim lets Wine set even parity on a pty more than once (see wine-notes).
if [ $headless -eq 0 ]; then
  echo "TRXDESK on COM$com: close the panel to end."
  LD_PRELOAD=$shim wine "$exe" "C$com" NOREG >"$run/wine.log" 2>&1
  exit 0
fi

LD_PRELOAD=$shim wine "$exe" "C$com" NOREG >"$run/wine.log" 2>&1 &
panel_pid=$!
exec 7<>"/dev/tcp/127.0.0.1/$control"
sim() { echo "$*" >&7 && read -r reply <&7 && echo "  trxsim> $* : $reply"; }
shots=$run/screenshots
mkdir -p "$shots"
# The desktop's part of the screen.
shot() {
  import -window root -crop 1024x768+0+0 +repage "$shots/$1.png" && echo "  screenshot $shots/$1.png"
}

echo "Scripted session without a display:"
sleep 4
shot 1-connected
# The simulator keeps what is set and reports it at once as well.
state() { sim set "$1" "$2" && sim report "$1" "$2"; }
state 8 2
state 15 2
sleep 1
shot 2-tuning
state 8 6
state 15 1
sim report 14 6
sleep 1
shot 3-power-1000w
# The panel alone, cut from the desktop around it: the picture of the README (docs/panel.png).
convert "$shots/3-power-1000w.png" -trim +repage "$shots/panel.png" && echo "  panel alone $shots/panel.png"
sim alarm on
sleep 1
shot 4-alarm
sim silent on
sleep 5
shot 5-link-lost
echo "Screenshots are in $shots"
