#!/usr/bin/env bash
# Creates a quiet Wine prefix once (no Mono/Gecko prompts). By default with the null
# display driver, so that windows need no X server; with "desktop", for an X server (Xvfb)
# with a 1024x768 virtual desktop, which draws title bars and needs no window manager.
# Safe to call from parallel tests: creation holds a lock.
# Usage: wine-prefix.sh PREFIX [null|desktop]
set -u
prefix=$1
display=${2:-null}
[ -f "$prefix/.trx-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.trx-ready" ]; then
  export WINEPREFIX=$prefix
  . "$(dirname "$0")/wine-env.sh"
  {
    wineboot -i 9>&- &&
      if [ "$display" = desktop ]; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f 9>&- &&
          wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f 9>&-
      else
        wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f 9>&-
      fi &&
      wineserver -w 9>&-
  } >"$prefix.log" 2>&1 </dev/null || {
    echo "wine-prefix: creating $prefix failed, see $prefix.log" >&2
    exit 1
  }
  touch "$prefix/.trx-ready"
fi
