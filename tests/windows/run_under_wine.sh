#!/usr/bin/env bash
# Runs one Windows test program under Wine, with simulated meters on COM ports:
#   COM5 dissolved oxygen, COM6 suspended solids, COM7 multiparameter,
#   COM8 silent, COM9 slow, COM10 one bad LRC, COM11 no identification.
# usage: run_under_wine.sh METER_PROGRAM PREFIX_DIR COMMAND [ARGS...]
# COMMAND runs with WINEPREFIX set: "wine program.exe" for a Windows test program, or a
# script that runs Windows programs itself.
set -euo pipefail
meter=$1 prefix=$2
shift 2
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; wait; rm -rf "$work" "$WINEPREFIX"/dosdevices/com{5,6,7,8,9,10,11}' EXIT

com=5
for options in "--kind do" "--kind ss" "--kind multi" "--kind do --silent" "--kind do --slow 400" \
  "--kind do --bad-lrc 1" "--kind do --no-identify"; do
  # shellcheck disable=SC2086  # the options are words
  "$meter" $options >"$work/com$com" &
  for _ in $(seq 100); do [ -s "$work/com$com" ] && break; sleep 0.05; done
  pts=$(head -n 1 "$work/com$com")
  [ -n "$pts" ] || { echo "datapond-meter $options printed no port" >&2; exit 1; }
  ln -sfn "$pts" "$WINEPREFIX/dosdevices/com$com"
  com=$((com + 1))
done

status=0
"$@" || status=$?
wineserver -k 2>/dev/null || true
exit $status
