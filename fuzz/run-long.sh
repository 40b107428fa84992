#!/bin/bash
# Longer fuzzing on demand: every target, or the one named, for SECONDS each (default 600).
#   bash fuzz/run-long.sh [SECONDS] [TARGET]     TARGET e.g. command_line, see fuzz/corpus/
# Each target works on a scratch corpus in the build tree that starts as a copy of its seeds
# and keeps what earlier long runs found; fuzz/corpus/ itself is never written. Findings
# (crash-*, leak-*, timeout-*) land beside that scratch corpus.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$here/../build/native
seconds=${1:-600}
only=${2:-}

if [[ ! $seconds =~ ^[0-9]+$ ]]; then
    echo "usage: $0 [SECONDS] [TARGET]" >&2
    exit 2
fi
if [[ -n $only && ! -d $here/corpus/$only ]]; then
    echo "no fuzz target '$only'; known: $(ls "$here/corpus" | tr '\n' ' ')" >&2
    exit 2
fi

cmake --build "$build" --target fuzzers

failed=()
for seeds in "$here"/corpus/*/; do
    name=$(basename "$seeds")
    [[ -z $only || $name == "$only" ]] || continue
    work=$build/fuzz/long/$name
    mkdir -p "$work/corpus"
    cp -n "$seeds"* "$work/corpus/"
    echo "== $name: ${seconds} s, corpus and findings in $work"
    if ! "$build/fuzz/fuzz_$name" -max_total_time="$seconds" -artifact_prefix="$work/" \
        "$work/corpus" >"$work/log" 2>&1; then
        failed+=("$name")
    fi
    grep -E '^Done |invariant broken|ERROR:|SUMMARY:' "$work/log" || true
done

if ((${#failed[@]} > 0)); then
    echo "failed: ${failed[*]} (see their log and findings under $build/fuzz/long)" >&2
    exit 1
fi
