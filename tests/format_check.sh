#!/usr/bin/env bash
# Every C++ file of the tree in the house style of .clang-format; names each that is not, with
# the command that mends it. usage: format_check.sh SOURCE_FOLDER
set -uo pipefail
cd "$1" || exit 1
command -v clang-format >/dev/null || { echo "SKIPPED: clang-format is not installed (scripts/setup)"; exit 77; }
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null)
[ ${#files[@]} -gt 0 ] || { echo "SKIPPED: not a git checkout, so no list of the tree's files"; exit 77; }
bad=0
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || { echo "FAIL $f: run clang-format -i $f"; bad=$((bad + 1)); }
done
echo "$((${#files[@]} - bad)) passed, $bad failed"
[ "$bad" -eq 0 ]
