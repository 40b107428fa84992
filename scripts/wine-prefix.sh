#!/usr/bin/env bash
# Creates a quiet Wine prefix once (no Mono/Gecko prompts). By default with the null
# display driver, so that windows need no X server; with "desktop", for an X server (Xvfb)
# with a 1024x768 virtual desktop, which draws title bars and needs no window manager.
# Safe to call from parallel tests: creation holds a lock.
# A prefix made before wine32 was installed breaks once it is (64-bit programs then cannot
# load kernel32.dll), so the ready mark records whether wine32 was there, and a prefix whose
# mark differs is made anew. An empty mark comes from before wine32 was installed.
# A desktop prefix gets Marlett from fonts-wine: without it the title-bar buttons show as
# "0 1 r", and Wine did not find the font until it was in the prefix's own Fonts folder.
# Usage: wine-prefix.sh PREFIX [null|desktop]
set -u
prefix=$1
display=${2:-null}
wine32=""
[ -x /usr/lib/wine/wine ] && wine32=wine32
ready() { [ -f "$prefix/.trx-ready" ] && [ "$(cat "$prefix/.trx-ready")" = "$wine32" ]; }
marlett=/usr/share/wine/fonts/marlett.ttf
fonts() {
  [ "$display" = desktop ] && [ -f "$marlett" ] || return 0
  [ -f "$prefix/drive_c/windows/Fonts/marlett.ttf" ] || cp "$marlett" "$prefix/drive_c/windows/Fonts/"
}
ready && { fonts; exit 0; }
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if ! ready; then
  export WINEPREFIX=$prefix
  . "$(dirname "$0")/wine-env.sh"
  if [ -e "$prefix" ]; then
    echo "wine-prefix: making $prefix anew (made by another Wine, or not finished)" >&2
    wineserver -k >/dev/null 2>&1 9>&-
    rm -rf "$prefix"
  fi
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
  echo "$wine32" >"$prefix/.trx-ready"
fi
fonts
