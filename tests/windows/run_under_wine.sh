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

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi

pids=()
links=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  for l in "${links[@]}"; do rm -f "$l"; done
}
trap cleanup EXIT

start_meter() {  # COM-number, meter options...
  local com=$1 out
  shift
  out=$(mktemp)
  "$meter" "$@" >"$out" &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$out" ] && break; sleep 0.05; done
  local pts
  pts=$(head -n 1 "$out")
  rm -f "$out"
  [ -n "$pts" ] || { echo "datapond-meter $* printed no port" >&2; exit 1; }
  ln -sfn "$pts" "$WINEPREFIX/dosdevices/com$com"
  links+=("$WINEPREFIX/dosdevices/com$com")
}

start_meter 5 --kind do
start_meter 6 --kind ss
start_meter 7 --kind multi
start_meter 8 --kind do --silent
start_meter 9 --kind do --slow 400
start_meter 10 --kind do --bad-lrc 1
start_meter 11 --kind do --no-identify

status=0
"$@" || status=$?
wineserver -k 2>/dev/null || true
exit $status
