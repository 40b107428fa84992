#!/usr/bin/env bash
# Runs every benchmark once, one at a time, and the flood story alone, and prints one table
# of figures, each with its target. The count of posts that waited during a flood comes from
# the last run of the test command (its serial stories).
# Usage: bench/figures.sh   (uses build/, or $TRX_BUILD_DIR; run scripts/test.sh once first)
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TRX_BUILD_DIR:-$top/build}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# The benchmark runs below replace the test command's log: keep its stories' lines first.
cp "$build/win64/Testing/Temporary/LastTest.log" "$out/tests" 2>/dev/null
ctest --test-dir "$build/native" -L bench -V >"$out/native" 2>&1
ctest --test-dir "$build/win64" -L bench -V >"$out/win64" 2>&1
TRX_FLOOD_REPORTS=100000 ctest --test-dir "$build/win64" -R '^e2e_flood$' -V >"$out/flood" 2>&1
bash "$top/bench/win/run.sh" >"$out/serial" 2>&1
logs=("$out/flood" "$out/tests")

# first line of FILE matching PATTERN, with SED applied
pick() { grep -ahE "$2" "$1" 2>/dev/null | head -n1 | sed -E "$3"; }
flood() { for log in "${logs[@]}"; do pick "$log" "$1" "$2"; done | head -n1; }

row() { printf '| %s | %s | %s |\n' "$1" "${2:-not measured}" "$3"; }

echo "Figures on $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(date -u +%Y-%m-%d)"
echo
echo "| Figure | Measured | Target |"
echo "|---|---|---|"
row "receive-path throughput, native (ratio to the 256000 Bd line)" \
  "$(pick "$out/native" 'bytes per second' 's/.*: ([0-9]+)/\1 bytes\/s/') ($(pick "$out/native" '^.*ratio to the fastest' 's/.*: //'))" \
  ">= 10 M bytes/s"
row "byte round trip through Wine and the pty, p50 / p99" \
  "$(pick "$out/serial" 'round trips:' 's/.*p50 ([0-9]+) us, p99 ([0-9]+) us.*/\1 \/ \2 us/')" "p99 < 0.5 ms"
row "command to byte on the line, whole program, p50 / p99" \
  "$(pick "$out/win64" 'panel latency under Wine' 's/.*command -> line p50 ([0-9]+) us, p99 ([0-9]+) us.*/\1 \/ \2 us/')" \
  "p99 < 1 ms"
row "report on the line to changed panel text, p50 / p99" \
  "$(pick "$out/win64" 'panel latency under Wine' 's/.*report -> display p50 ([0-9]+) us, p99 ([0-9]+) us.*/\1 \/ \2 us/')" \
  "p99 < 2 ms"
row "start-up to visible panel, ratio to the same template alone" \
  "$(pick "$out/win64" 'start-up ratio' 's/.*: //') ($(pick "$out/win64" 'start-up to visible' 's/.*: //'))" "<= 1.15"
row "start-up to the full report at 1200 Bd: link-up report to the full display, p50 (line time)" \
  "$(pick "$out/win64" 'full display p50' 's/.*full display p50 ([0-9]+) ms, max [0-9]+ ms, against ([0-9]+) ms.*/\1 ms (\2 ms)/')" \
  "within 50 ms of the line time"
row "idle CPU of the connected panel, % of a core" \
  "$(pick "$out/win64" 'idle CPU over' 's/.*core: //')" \
  "alone < 0.15; with Wine within 0.1 of the template alone"
row "CPU of a hung-up line, % of a core" \
  "$(pick "$out/serial" 'after hang-up' 's/.*\(([0-9.]+) % of a core\).*/\1/')" "next to nothing"
row "flood of 70,000 reports through the port: posts that waited for room in the queue" \
  "$(flood 'reports: [0-9]+ posts had to wait' 's/.*reports: ([0-9]+) posts.*/\1/')" "nothing lost"
row "flood of 100,000 reports as fast as the pty takes them: from its first byte until the panel applied the last, under Wine (reports per second; the line's own time)" \
  "$(flood 'all applied' 's/.*all applied ([0-9.]+) s after its first byte, ([0-9]+) reports\/s.*carried them in ([0-9.]+) s.*/\1 s (\2 reports\/s; line \3 s)/')" \
  "nothing lost"
row "command latency during the flood (polled every 20 ms)" \
  "$(flood 'during a flood' 's/.*in ([0-9]+) ms/\1 ms/')" "< 100 ms"
row "control port: get from a client on the same PC, p99" \
  "$(pick "$out/win64" 'control port under Wine' 's/.*get p99 ([0-9]+) us.*/\1 us/')" "< 1 ms"
row "control port: set program, from its echo on the line to RPRT 0, p99" \
  "$(pick "$out/win64" 'control port under Wine' 's/.*set program after echo p99 ([0-9]+) us.*/\1 us/')" \
  "< 2 ms"
row "report to changed panel text, p99: no clients / 8 subscribed clients" \
  "$(pick "$out/win64" 'control port under Wine' 's/.*report -> screen p99 ([0-9]+) us without clients, ([0-9]+) us with 8 subscribers.*/\1 \/ \2 us/')" \
  "within 0.5 ms"
row "operating journal: one line handed to its writer; lines per second written" \
  "$(pick "$out/win64" '^journal: ' 's/.*: ([0-9.]+) us per line.*/\1 us/'); $(pick "$out/win64" 'journal lines per second' 's/.*: //')" ""
row "report to changed panel text in-process, p50 / p99: without / with the journal" \
  "$(pick "$out/win64" 'panel text without the journal' 's/.*p50 ([0-9.]+) us, p99 ([0-9.]+) us.*/\1 \/ \2 us/') and $(pick "$out/win64" 'panel text with the journal' 's/.*p50 ([0-9.]+) us, p99 ([0-9.]+) us.*/\1 \/ \2 us/')" \
  "the journal adds < 0.1 ms at p99"
row "season schedule: a 2,000-entry plan loaded and checked, median (native)" \
  "$(pick "$out/native" 'load and check 2000 entries' 's/.*median ([0-9.]+) ms.*/\1 ms/')" \
  "< 50 ms"
row "season schedule: one step of the timer (take and next event), a week of 2,000 entries" \
  "$(pick "$out/native" 'next events over a week' 's/.*, ([0-9.]+) us per step.*/\1 us/')" ""
