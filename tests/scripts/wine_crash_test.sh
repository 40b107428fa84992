#!/usr/bin/env bash
# A Windows program that crashes under Wine fails at once and leaves nothing of its prefix
# running (no crash debugger waits for anybody); one that hangs is stopped at its run's
# time limit, and nothing of it is left either.
# Usage: wine_crash_test.sh WINE_EXEC PREFIX FAULTY.exe   (a prefix no other test uses)
set -u
wine_exec=$1 prefix=$2 program=$3
failed=0
fail() { echo "FAIL: $*"; failed=1; }
# The prefix's server ends once no process of the prefix is left.
nothing_left() { WINEPREFIX=$prefix timeout 20 wineserver -w; }

# The prefix is made (or found) first: its making is no part of a run's time.
"$wine_exec" "$prefix" cmd /c rem || fail "the prefix cannot be made"
for mode in crash hang; do
  start=$SECONDS
  TRX_WINE_TIME_LIMIT=5 timeout 90 "$wine_exec" "$prefix" "$program" "$mode"
  rc=$?
  echo "$mode: ended with $rc after $((SECONDS - start)) s"
  case $mode in
    crash) [ $rc -ne 0 ] && [ $rc -ne 124 ] || fail "a crash ended with $rc" ;;
    hang) [ $rc -eq 124 ] || [ $rc -eq 137 ] || fail "a hang was not stopped at its limit ($rc)" ;;
  esac
  [ $((SECONDS - start)) -lt 40 ] || fail "$mode held the run for $((SECONDS - start)) s"
  nothing_left || fail "$mode left processes of its prefix running"
done
exit $failed
