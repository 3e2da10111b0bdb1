#!/usr/bin/env bash
# Every C++ file of the tree in the house style of .clang-format; names each that is not, with
# the command that mends it. usage: format_check.sh SOURCE_FOLDER
set -uo pipefail
cd "$1" || exit 1
command -v clang-format >/dev/null || { echo "SKIPPED: clang-format is not installed (scripts/setup)"; exit 77; }
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null)
[ ${#files[@]} -gt 0 ] || { echo "SKIPPED: not a git checkout, so no list of the tree's files"; exit 77; }
# One clang-format for every file: its start-up, not the formatting, took most of the time.
mapfile -t failed < <(clang-format --dry-run --Werror "${files[@]}" 2>&1 >/dev/null |
  sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u)
for f in "${failed[@]}"; do echo "FAIL $f: run clang-format -i $f"; done
echo "$((${#files[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
[ "${#failed[@]}" -eq 0 ]
