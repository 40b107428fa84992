#!/usr/bin/env bash
# Checks the release package in build/release as it ships (run after scripts/release.sh):
# the zip holds exactly the expected files; every relative link of its README and help
# leads to a file of the zip (check_links.py); the exes are i686 and x86_64, stripped, with a
# manifest for the process that asks for no elevation, no DPI awareness and no version 6
# common controls, and with the package's version, publisher and description; the simulator
# is a stripped x86-64 program without sanitizers, and the pty shim comes for both Wine halves. Then, in throwaway Wine prefixes of 64-bit and of 32-bit
# Windows, the silent installer must put exactly the zip's Windows files in place, byte for
# byte, with the uninstaller, a Start-menu entry for the exe that fits that Windows and the
# Add/Remove Programs entry, and its uninstaller must take them away again. The installer is
# a 32-bit program: where Wine's 32-bit half cannot run, its files are read out with 7-Zip
# and compared instead, and one line says what was not run.
# Every fault found is named; exit status 1 when there is one.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
build=${TRX_BUILD_DIR:-$top/build}
out=$build/release

errors=0
# Messages hold Windows paths: printed as they are, never with escapes read.
bad() { printf 'check_package: %s\n' "$*" >&2; errors=$((errors + 1)); }
die() { printf 'check_package: %s\n' "$*" >&2; exit 1; }
nl=$'\n'
differences() { diff <(echo "$1") <(echo "$2") | grep '^[<>]'; }

version=$(tr '\n' ' ' <"$top/CMakeLists.txt" |
  sed -nE 's/.*project\( *TRXDESK[^)]* VERSION +([0-9]+\.[0-9]+\.[0-9]+)[ )].*/\1/p')
[ -n "$version" ] || die "no project(TRXDESK VERSION x.y.z ...) in $top/CMakeLists.txt"
publisher=$(sed -nE 's/^set\(TRX_PUBLISHER "([^"]+)"\)/\1/p' "$top/CMakeLists.txt")
[ -n "$publisher" ] || die "no set(TRX_PUBLISHER \"...\") in $top/CMakeLists.txt"
name=TRXDESK-$version
zip=$out/$name.zip
setup=$out/$name-setup.exe
[ -f "$zip" ] || die "$zip is missing: run scripts/release.sh first"
[ -f "$setup" ] || die "the installer $setup is missing"

work=$(mktemp -d "$out/check.XXXXXX")
cleanup() {
  for prefix in "$work"/win64 "$work"/win32; do
    if [ -d "$prefix" ]; then WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true; fi
  done
  rm -rf "$work"
}
trap cleanup EXIT

windows_files=(TRXDESK.exe TRXDESK.HLP TRXDESK.CNT TRXDESK.CHM README.md LICENSE docs/panel.png
  x64/TRXDESK.exe x64/TRXDESK.HLP x64/TRXDESK.CNT x64/TRXDESK.CHM)
unzip -tqq "$zip" >/dev/null || die "$zip is damaged"
linux_files=(linux/trxsim linux/libptyshim-x86_64.so linux/libptyshim-i686.so)
# The monitoring server's files, as the repository holds them; not in the installer.
monitoring_files=(monitoring/prometheus.yml monitoring/trxdesk_alerts.yml
  monitoring/trxdesk_alerts_test.yml monitoring/alertmanager.yml
  monitoring/grafana/trxdesk-dashboard.json
  monitoring/grafana/provisioning/dashboards/trxdesk.yml
  monitoring/grafana/provisioning/datasources/trxdesk-prometheus.yml)
expected=$(printf "$name/%s\n" "${windows_files[@]}" "${linux_files[@]}" "${monitoring_files[@]}" |
  LC_ALL=C sort)
listed=$(unzip -Z1 "$zip" | LC_ALL=C sort)
[ "$listed" = "$expected" ] ||
  bad "the zip holds other files than expected (< expected, > in the zip):$nl$(
    differences "$expected" "$listed")"
unzip -qq "$zip" -d "$work/zip"
pkg=$work/zip/$name
# What the README and the help link to is in the package, as an operator unpacks it.
dead=$(python3 "$here/check_links.py" "$pkg") ||
  bad "links of the README or the help lead nowhere in the zip:$nl$dead"

check_exe() { # file in the package, objdump's format name, what it must be
  local exe=$pkg/$1 headers manifest versions strings line v=${version//./\\.}
  [ -f "$exe" ] || return 0 # named with the zip's list
  headers=$(x86_64-w64-mingw32-objdump -fh "$exe" 2>&1) || true
  grep -q "file format $2\$" <<<"$headers" ||
    bad "$1 is not $3: $(grep -o 'file format.*' <<<"$headers")"
  if grep -qE 'HAS_SYMS|HAS_DEBUG| \.debug_' <<<"$headers"; then bad "$1 is not stripped"; fi
  # Nothing to ship beside the exe: it imports system DLLs only.
  local imports
  imports=$(x86_64-w64-mingw32-objdump -p "$exe" 2>&1 | sed -nE 's/^\s*DLL Name: //p' |
    tr '[:lower:]' '[:upper:]' | LC_ALL=C sort | tr '\n' ' ')
  [ "$imports" = "$system_dlls" ] ||
    bad "$1 imports other DLLs than the system's: $imports (expected $system_dlls)"
  # Stripping must keep what ASLR and DEP need: the flags and the relocations.
  headers=$(x86_64-w64-mingw32-objdump -ph "$exe" 2>&1) || true
  for flag in DYNAMIC_BASE NX_COMPAT ' \.reloc'; do
    grep -q "$flag" <<<"$headers" || bad "$1 lacks${flag# } (ASLR and DEP)"
  done
  if manifest=$(python3 "$here/pe_resources.py" manifest "$exe"); then
    grep -qE '^requestedExecutionLevel( .*)? level="asInvoker"' <<<"$manifest" ||
      bad "$1: the manifest does not request the level asInvoker"
    if grep -qi '^dpiAware' <<<"$manifest"; then bad "$1: the manifest declares DPI awareness"; fi
    if grep -q 'name="Microsoft.Windows.Common-Controls"' <<<"$manifest"; then
      bad "$1: the manifest asks for the version 6 common controls"
    fi
  else
    bad "$1 has no sound manifest resource"
  fi
  versions=$(python3 "$here/pe_resources.py" version "$exe") ||
    { bad "$1 has no sound version resource"; return 0; }
  while read -r line; do
    [[ $line =~ ^FileVersion=$v(\.[0-9]+)*\ fixed=$v\.[0-9]+$ ]] ||
      bad "$1: the version resource does not carry $version: $line"
  done <<<"$versions"
  # What Explorer shows of the exe: the publisher is the installer's.
  strings=$(python3 "$here/pe_resources.py" strings "$exe") || return 0
  for line in "CompanyName=$publisher" "ProductName=TRXDESK"; do
    grep -qxF "$line" <<<"$strings" || bad "$1: the version resource lacks $line"
  done
  grep -qE '^FileDescription=TRXDESK .+' <<<"$strings" ||
    bad "$1: the version resource has no FileDescription that names TRXDESK"
}
system_dlls="ADVAPI32.DLL COMCTL32.DLL CRYPT32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL SHELL32.DLL USER32.DLL UXTHEME.DLL VERSION.DLL WS2_32.DLL "
check_exe TRXDESK.exe pei-i386 "PE32 for i686"
check_exe x64/TRXDESK.exe pei-x86-64 "PE32+ for x86_64"

sim=$pkg/linux/trxsim
if [ -f "$sim" ]; then
  elf=$(readelf -hSd "$sim" 2>&1) || true
  grep -q 'Machine: *Advanced Micro Devices X86-64' <<<"$elf" ||
    bad "linux/trxsim is not an x86-64 program"
  if grep -qE '\.symtab|\.debug_' <<<"$elf"; then bad "linux/trxsim is not stripped"; fi
  if grep -qE 'lib(a|ub|t)san' <<<"$elf"; then bad "linux/trxsim is built with sanitizers"; fi
  "$sim" --help >/dev/null || bad "linux/trxsim --help fails"
fi
for shim in "x86_64 X86-64" "i686 Intel 80386"; do
  lib=$pkg/linux/libptyshim-${shim%% *}.so
  [ -f "$lib" ] || continue # named with the zip's list
  elf=$(readelf -hsD "$lib" 2>&1) || true
  grep -qE "Type: +DYN" <<<"$elf" && grep -qE "Machine: .*${shim#* }" <<<"$elf" ||
    bad "linux/${lib##*/} is not a ${shim#* } shared library"
  grep -qE ' FUNC +GLOBAL +DEFAULT +[0-9]+ tcsetattr$' <<<"$elf" ||
    bad "linux/${lib##*/} does not define tcsetattr"
done
echo "check_package: zip, exes and simulator checked"

sums() { (cd "$1" && find . -type f "${@:2}" | LC_ALL=C sort | xargs -d '\n' -r sha256sum); }
want=$(sums "$pkg" ! -path './linux/*' ! -path './monitoring/*')

. "$top/scripts/wine-env.sh"
if [ "$TRX_WINE32" != yes ]; then
  7z x -y -o"$work/setup" "$setup" >/dev/null || die "7-Zip cannot read the installer $setup"
  got=$(sums "$work/setup" ! -path ./Uninstall.exe ! -path './$PLUGINSDIR/*')
  [ "$got" = "$want" ] ||
    bad "the installer holds other files than the zip's (< zip, > installer):$nl$(
      differences "$want" "$got")"
  [ -f "$work/setup/Uninstall.exe" ] || bad "the installer writes no Uninstall.exe"
  echo "check_package: the installer's files read with 7-Zip; not run: its install and" \
    "uninstall under Wine, which need Wine's 32-bit half (TRX_RUNS_I386=$TRX_RUNS_I386)"
  [ "$errors" -eq 0 ] || die "faults found in the package: $errors"
  echo "check_package: $name passes" \
    "(zip $(stat -c %s "$zip") bytes, installer $(stat -c %s "$setup") bytes)"
  exit 0
fi

# Fresh prefixes of both kinds of Windows, made side by side. Wine's own processes write to
# a log, never to our output, which a caller may be reading from a pipe. Without
# winemenubuilder, and with the desktop folders in the throwaway one, or Wine would turn the
# Start-menu entry into a .desktop file and icons in the user's real home.
export XDG_DATA_HOME=$work/xdg-data XDG_CONFIG_HOME=$work/xdg-config
WINEARCH=win64 "$top/scripts/wine-prefix.sh" "$work/win64" & made64=$!
WINEARCH=win32 "$top/scripts/wine-prefix.sh" "$work/win32" & made32=$!
made=0
wait $made64 || made=1
wait $made32 || made=1
[ $made -eq 0 ] || { cat "$work"/win*.log >&2; die "making the Wine prefixes failed"; }

dir='C:\Apps\TRXDESK'
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TRXDESK'
wine_log=$work/wine.log
run() { wine "$@" >>"$wine_log" 2>&1 </dev/null || { cat "$wine_log" >&2; return 1; }; }
# Wine's reg is a 32-bit program: /reg:64 reads where a 64-bit Windows lists programs.
uninstall_entry() { # the entry's values, nothing when there is no entry
  local entry
  entry=$(wine reg query "$key" /reg:64 2>/dev/null </dev/null) || return 0
  tr -d '\r' <<<"$entry"
}
install_story() { # prefix (win64, win32), the exe the Start-menu entry must start
  local arch=$1 start=$2 installed got entry value left lnk
  export WINEPREFIX=$work/$arch
  installed=$WINEPREFIX/drive_c/Apps/TRXDESK
  lnk="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/TRXDESK.lnk"
  wineserver -p >/dev/null 2>&1 </dev/null

  run "$setup" /S "/D=$dir" || bad "$arch: the silent install failed"
  [ -d "$installed" ] || { bad "$arch: the installer made no $dir"; return 0; }
  got=$(sums "$installed" ! -path ./Uninstall.exe)
  [ "$got" = "$want" ] ||
    bad "$arch: the installed files differ from the zip's (< zip, > installed):$nl$(
      differences "$want" "$got")"
  [ -f "$installed/Uninstall.exe" ] || bad "$arch: no Uninstall.exe in $dir"
  if [ ! -f "$lnk" ]; then
    bad "$arch: no Start-menu entry TRXDESK.lnk"
  elif ! grep -aqF "$start" "$lnk"; then
    bad "$arch: the Start-menu entry does not start $start"
  fi
  entry=$(uninstall_entry)
  [ -n "$entry" ] || bad "$arch: no Add/Remove Programs entry in the native registry"
  for value in "DisplayName TRXDESK" "DisplayVersion $version" "Publisher $publisher" \
    "UninstallString \"$dir\\Uninstall.exe\""; do
    [ -z "$entry" ] ||
      [ "$(sed -nE "s/^ +${value%% *} +REG_SZ +//p" <<<"$entry")" = "${value#* }" ] ||
      bad "$arch: the Add/Remove Programs entry lacks ${value%% *} = ${value#* }"
  done

  # _?= runs the uninstaller in place and waits for it; it cannot remove its own running file.
  run "$dir\\Uninstall.exe" /S "_?=$dir" || bad "$arch: the silent uninstall failed"
  left=$(cd "$installed" 2>/dev/null && find . -mindepth 1 ! -path ./Uninstall.exe || true)
  [ -z "$left" ] || bad "$arch: the uninstaller left in $dir:$nl$left"
  [ ! -e "$lnk" ] || bad "$arch: the uninstaller left the Start-menu entry"
  [ -z "$(uninstall_entry)" ] || bad "$arch: the uninstaller left the Add/Remove Programs entry"
  wineserver -k >/dev/null 2>&1 </dev/null
  echo "check_package: installed and uninstalled under Wine ($arch)"
}
install_story win64 "$dir\\x64\\TRXDESK.exe"
install_story win32 "$dir\\TRXDESK.exe"

[ "$errors" -eq 0 ] || die "faults found in the package: $errors"
echo "check_package: $name passes" \
  "(zip $(stat -c %s "$zip") bytes, installer $(stat -c %s "$setup") bytes)"
