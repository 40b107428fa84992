#!/usr/bin/env bash
# Creates a quiet Wine prefix once (no Mono/Gecko prompts, null display driver so that
# windows need no X server). Safe to call from parallel tests: creation holds a lock.
# Usage: wine-prefix.sh PREFIX
set -u
prefix=$1
[ -f "$prefix/.trx-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/.trx-ready" ]; then
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
  {
    wineboot -i 9>&- &&
      wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f 9>&- &&
      wineserver -w 9>&-
  } >"$prefix.log" 2>&1 </dev/null || {
    echo "wine-prefix: creating $prefix failed, see $prefix.log" >&2
    exit 1
  }
  touch "$prefix/.trx-ready"
fi
