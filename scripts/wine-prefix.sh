#!/usr/bin/env bash
# Creates a quiet Wine prefix once (no Mono/Gecko prompts). By default with the null
# display driver, so that windows need no X server; with "desktop", for an X server (Xvfb)
# with a 1024x768 virtual desktop, which draws title bars and needs no window manager.
# Safe to call from parallel tests: creation holds a lock.
# Booting a prefix costs some 20 s of CPU and 1.3 GB, so it is done once into a template
# (TRX_WINE_TEMPLATE, by default wineprefix-template beside the prefix) and every prefix is
# a copy of it: Wine's own DLLs, which nothing writes after the boot, as hard links, the
# registry and everything else as files of its own. A 32-bit prefix (WINEARCH=win32) has a
# template of its own.
# A prefix made before wine32 was installed breaks once it is (64-bit programs then cannot
# load kernel32.dll), so the ready mark records whether Wine's 32-bit half took part (it
# does where it is installed and the machine runs 32-bit code), and a prefix whose mark
# differs is made anew. An empty mark: the 64-bit half alone.
# A desktop prefix gets Marlett from fonts-wine: without it the title-bar buttons show as
# "0 1 r", and Wine did not find the font until it was in the prefix's own Fonts folder.
# Usage: wine-prefix.sh PREFIX [null|desktop]
#        wine-prefix.sh --template   boots TRX_WINE_TEMPLATE only (the test command does so
#                                    while it builds)
set -u
prefix=$1
display=${2:-null}
only_template=false
if [ "$prefix" = --template ]; then
  [ -n "${TRX_WINE_TEMPLATE:-}" ] || { echo "wine-prefix: --template needs TRX_WINE_TEMPLATE" >&2; exit 2; }
  only_template=true prefix=$TRX_WINE_TEMPLATE
fi
template=${TRX_WINE_TEMPLATE:-$(dirname "$prefix")/wineprefix-template}
[ "${WINEARCH:-win64}" = win64 ] || template=$template-$WINEARCH
. "$(dirname "$0")/wine-env.sh"
wine32=""
[ "$TRX_WINE32" = yes ] && wine32=wine32
if [ "${WINEARCH:-win64}" = win32 ] && [ -z "$wine32" ]; then
  echo "wine-prefix: a 32-bit prefix needs Wine's 32-bit half, which is missing or cannot run here" >&2
  exit 1
fi
ready() { [ -f "$1/.trx-ready" ] && [ "$(cat "$1/.trx-ready")" = "$wine32" ]; }
marlett=/usr/share/wine/fonts/marlett.ttf
fonts() {
  [ "$display" = desktop ] && [ -f "$marlett" ] || return 0
  [ -f "$prefix/drive_c/windows/Fonts/marlett.ttf" ] || cp "$marlett" "$prefix/drive_c/windows/Fonts/"
}
# Runs Wine in the prefix $1 with the lock on fd 9 kept from its processes.
in_prefix() {
  local dir=$1
  shift
  WINEPREFIX=$dir "$@" 9>&-
}
made_anew() { # dir: removes what another Wine or an interrupted run left
  [ -e "$1" ] || return 0
  echo "wine-prefix: making $1 anew (made by another Wine, or not finished)" >&2
  in_prefix "$1" wineserver -k >/dev/null 2>&1
  rm -rf "$1"
}

! $only_template && ready "$prefix" && { fonts; exit 0; }
mkdir -p "$(dirname "$prefix")" "$(dirname "$template")"

make_template() ( # a subshell, so that its lock ends with it
  exec 8>"$template.lock"
  flock 8
  ready "$template" && return 0
  made_anew "$template"
  { in_prefix "$template" wineboot -i 8>&- && in_prefix "$template" wineserver -w 8>&-; } \
    >"$template.log" 2>&1 </dev/null || {
    echo "wine-prefix: booting $template failed, see $template.log" >&2
    return 1
  }
  echo "$wine32" >"$template/.trx-ready"
)

copy_template() { # into $1
  local dir=$1 windows=$1/drive_c/windows
  cp -al "$template/." "$dir" || return 1
  find "$dir" \( -path "$windows/system32" -o -path "$windows/syswow64" -o \
    -path "$windows/winsxs" \) -prune -o -type f -exec sh -c \
    'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f" || exit 1; done' sh {} +
}

if $only_template; then
  make_template
  exit
fi

exec 9>"$prefix.lock"
flock 9
if ! ready "$prefix"; then
  made_anew "$prefix"
  make_template || exit 1
  {
    copy_template "$prefix" &&
      if [ "$display" = desktop ]; then
        in_prefix "$prefix" wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f &&
          in_prefix "$prefix" wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
      else
        in_prefix "$prefix" wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
      fi &&
      in_prefix "$prefix" wineserver -w
  } >"$prefix.log" 2>&1 </dev/null || {
    echo "wine-prefix: creating $prefix failed, see $prefix.log" >&2
    exit 1
  }
  echo "$wine32" >"$prefix/.trx-ready"
fi
fonts
