#!/usr/bin/env bash
# The readings report of the demonstration meter in a real browser: it must render without a
# word on the browser's console, and its picture lands in SCREENSHOTS for a person to look at.
# usage: report_check.sh DATAPOND_CLI DATAPOND_METER SCREENSHOTS
set -uo pipefail
cli=$1 meter=$2 shots=$3
work=$(mktemp -d)
coproc METER { exec "$meter" --kind multi; }
pid=$METER_PID
trap 'kill $pid 2>/dev/null; rm -rf "$work"' EXIT
read -r port <&"${METER[0]}"
mkdir -p "$shots"
export DATAPOND_ARCHIVE=$work/kept
(cd "$work" && "$cli" download --port "$port" --output r.csv && "$cli" report --output report.html) 2>/dev/null ||
  { echo "FAIL the report was not written"; exit 1; }
# Its own home too: the crash reporter writes under ~/.config whatever the profile folder.
HOME=$work XDG_CONFIG_HOME=$work/config chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --user-data-dir="$work/browser" --enable-logging=stderr --v=0 \
  --window-size=1200,4000 --screenshot="$shots/readings-report.png" "file://$work/report.html" 2>"$work/log"
if [ -s "$shots/readings-report.png" ] && ! grep CONSOLE "$work/log"; then
  echo "1 passed, 0 failed"
else
  echo "FAIL the browser showed no report, or a word on its console"
  echo "0 passed, 1 failed"
  exit 1
fi
