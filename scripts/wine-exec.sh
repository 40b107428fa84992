#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's own prefix (never ~/.wine).
# Usage: [TRX_WINE_PRELOAD=LIB.so] wine-exec.sh PREFIX PROGRAM.exe [ARGS...]
# Used as CMake's cross-compiling emulator, so every Windows test runs through it.
set -u
prefix=$1
shift
export WINEPREFIX=${WINEPREFIX:-$prefix}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
"$here/wine-prefix.sh" "$WINEPREFIX" || exit 1

# Wine's session processes inherit our stdout/stderr; CTest would wait on that pipe long
# after the test ended. The program's output goes through a file instead.
out=$(mktemp)
# A library for the Wine processes (the pty shim) comes as TRX_WINE_PRELOAD: as LD_PRELOAD
# it would reach every Linux tool in between, and a 32-bit one fails to load in each.
# Each run has a time limit of its own (TRX_WINE_TIME_LIMIT seconds, 300 by default): a
# program that hangs is stopped and fails alone. The prefix's other processes are left:
# the tree's other tests run in the same prefix at the same time.
limit=${TRX_WINE_TIME_LIMIT:-300}
timeout -k 10 "$limit" env LD_PRELOAD="${TRX_WINE_PRELOAD:-${LD_PRELOAD:-}}" wine "$@" \
  >"$out" 2>&1 </dev/null
rc=$?
if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
  echo "wine-exec: $1 still ran after $limit s: stopped" >>"$out"
fi
# With wine32 installed, one Wine call runs Linux processes of both classes (the 32-bit
# loader first; 64-bit session processes in the prefix), and each one of the other class
# than the shim says that it ignores it. The program's own process is of the shim's class,
# and only that one does serial I/O.
grep -av 'from LD_PRELOAD cannot be preloaded (wrong ELF class' "$out"
rm -f "$out"
exit $rc
