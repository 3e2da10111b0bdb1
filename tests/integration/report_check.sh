#!/usr/bin/env bash
# The readings report of the demonstration meter in a real browser: it must render without a
# word on the browser's console, pointing at a point shows its reading, and its picture lands
# in SCREENSHOTS for a person to look at.
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
failed=0
if [ -s "$shots/readings-report.png" ] && ! grep CONSOLE "$work/log"; then
  echo "ok   the report draws, without a word on the browser's console"
else
  echo "FAIL the browser showed no report, or a word on its console"
  failed=1
fi
# Pointing at a chart's first point shows its reading: the page's own script, driven by a
# pointer moved there, writes the text it shows into the title, which the page's DOM then holds.
cat "$work/report.html" - >"$work/pointed.html" <<'HTML'
<script>
const path = document.querySelector('path.tips');
const [x, y] = path.getAttribute('d').match(/-?[0-9.]+/g).map(Number);
const svg = path.ownerSVGElement;
const at = new DOMPoint(x, y).matrixTransform(svg.getScreenCTM());
svg.dispatchEvent(new MouseEvent('mousemove', {clientX: at.x, clientY: at.y, bubbles: true}));
document.title = 'pointed: ' + (document.getElementById('tip').hidden ? 'nothing' : document.getElementById('tip').textContent);
</script>
HTML
HOME=$work XDG_CONFIG_HOME=$work/config chromium --headless --no-sandbox --disable-gpu --no-first-run \
  --user-data-dir="$work/browser" --window-size=1200,4000 --dump-dom "file://$work/pointed.html" 2>/dev/null |
  grep -o '<title>pointed: [^<]*</title>' >"$work/pointed"
if grep -Eq '<title>pointed: [A-Z0-9 ]+, [0-9]+/[0-9]+/[0-9]{4} [0-9]{2}:[0-9]{2} [AP]M: -?[0-9.]+' "$work/pointed"; then
  echo "ok   pointing at a point shows its reading: $(cat "$work/pointed")"
else
  echo "FAIL pointing at a point shows nothing: $(cat "$work/pointed")"
  failed=1
fi
echo "$((2 - failed)) passed, $failed failed"
exit $failed
