#!/usr/bin/env bash
# Runs one Windows test program under Wine, with simulated meters on COM ports:
#   COM5 dissolved oxygen, COM6 suspended solids, COM7 multiparameter,
#   COM8 silent, COM9 slow, COM10 one bad LRC, COM11 no identification.
# usage: run_under_wine.sh METER_PROGRAM PREFIX_DIR COMMAND [ARGS...]
# COMMAND runs with WINEPREFIX set: "wine program.exe" for a Windows test program, or a
# script that runs Windows programs itself.
set -euo pipefail
meter=$1
# Nothing of the user's may change: every path under $HOME but the build tree and its
# screenshots, with the size and time of each file, before and after.
build=$(realpath "$(dirname "$2")")
home_files() {
  find -P "$(realpath "$HOME")" \( -path "$build" -o -path "$(dirname "$build")/screenshots" \) -prune -o \
    \( -type d -printf '%p/\n' \) -o -printf '%p %s %T@\n' 2>/dev/null | LC_ALL=C sort || true
}
home_before=$(home_files)
source "$(dirname "$0")/../../scripts/wine-common.sh"
wine_prefix "$2"
shift 2
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; wait; rm -rf "$work" "$WINEPREFIX"/dosdevices/com{5,6,7,8,9,10,11}' EXIT

com=5
for options in "--kind do" "--kind ss" "--kind multi" "--kind do --silent" "--kind do --slow 400" \
  "--kind do --bad-lrc 1" "--kind do --no-identify"; do
  # shellcheck disable=SC2086  # the options are words
  meter_on_com "$meter" $com "$work" $options
  com=$((com + 1))
done

status=0
"$@" || status=$?
wineserver -k 2>/dev/null || true
diff <(echo "$home_before") <(home_files) >"$work/home" || { echo "FAIL changed in $HOME:"; cat "$work/home"; status=1; }
exit $status
