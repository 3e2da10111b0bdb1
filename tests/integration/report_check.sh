#!/usr/bin/env bash
# The readings report of the demonstration meter in a real browser: it must render without a
# word on the browser's console, pointing at a point shows its reading, and its picture lands
# in SCREENSHOTS for a person to look at, beside those of made-up archives of 500 and 5,000.
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
  failed=$((failed + 1))
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
  failed=$((failed + 1))
fi
# The reports of a made-up weekly archive of 500 and 5,000 downloads, for a person to look at:
# each draws without a word on the console, its page small whatever the archive.
/usr/bin/python3 "$(dirname "$0")/../../tools/generate_kept.py" "$work/all" 5000
for count in 500 5000; do
  mkdir "$work/k$count"
  find "$work/all" -name '*.txt' | sort | head -n "$count" | xargs cp -l -t "$work/k$count"
  "$cli" report --archive "$work/k$count" --output "$work/r$count.html" 2>/dev/null
  HOME=$work XDG_CONFIG_HOME=$work/config chromium --headless --no-sandbox --disable-gpu --no-first-run \
    --user-data-dir="$work/browser" --enable-logging=stderr --v=0 --window-size=1200,2400 \
    --screenshot="$shots/readings-report-$count.png" "file://$work/r$count.html" 2>"$work/log$count"
  size=$(stat -c %s "$work/r$count.html" 2>/dev/null || echo 0)
  if [ -s "$shots/readings-report-$count.png" ] && ! grep -q CONSOLE "$work/log$count" && [ "$size" -lt 2000000 ]; then
    echo "ok   the report of $count downloads draws, a page of $((size / 1024)) KB"
  else
    echo "FAIL the report of $count downloads: $size bytes, $(grep -c CONSOLE "$work/log$count") console words"
    failed=$((failed + 1))
  fi
done
echo "$((4 - failed)) passed, $failed failed"
exit $((failed > 0))
