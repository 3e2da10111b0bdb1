#!/usr/bin/env bash
# usage: run_fuzz.sh FUZZER SEED_DIR RUNS [MAX_LEN] — a fixed-seed run that cannot grow the committed seeds.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$2"/* "$work"/
"$1" -seed=1 -runs="$3" -max_len="${4:-1024}" -print_final_stats=1 "$work"
