#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's own prefix (never ~/.wine).
# Usage: wine-exec.sh PREFIX PROGRAM.exe [ARGS...]
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
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
