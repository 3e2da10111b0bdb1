#!/usr/bin/env bash
# The program's windows under Wine, on an X display (Xvfb when there is none), with serial
# devices seeded in the Wine registry the way Windows lists them. Runs every scenario of
# ProgramTest, compares its saves with the native datapond-cli's and the Windows one's replay,
# reads its print jobs in a CUPS PDF printer, and turns its pictures into PNG files in SCREENSHOT_DIR.
# usage: program_check.sh PROGRAM_TEST SCREENSHOT_DIR METER NATIVE_CLI WINDOWS_CLI   (inside run_under_wine.sh)
set -uo pipefail
program=$1 shots=$2 meter=$3 cli=$4 windows_cli=$5
mkdir -p "$shots"
work=$(mktemp -d)
unplug=""
source "$(dirname "$0")/../../scripts/wine-common.sh"
own_display
trap 'kill $display_pid $unplug 2>/dev/null; rm -f "$WINEPREFIX/dosdevices/com13"; rm -rf "$work"' EXIT

# A name of 99 characters fills the program's 100-byte buffer with its NUL.
list_ports "Communications Port (COM5)" "USB Serial Port (COM7)" "Communications Port (COM8)" "ECP Printer Port (LPT1)" \
  "Modem without a port name" "Adapter (USB) (COM9)" "USB Serial Port $(printf '%*s' 75 '' | tr ' ' '.') (COM10)" \
  "Communications Port (COM6)" "Communications Port (COM13)"

# Printing reaches a PDF printer through CUPS, as a Windows printer of Wine's. cups-pdf puts
# the jobs of a user that the system does not know (CUPS_USER in run) in its spool of
# anonymous jobs, instead of the PDF folder in the user's home.
pdfs=/var/spool/cups-pdf/ANONYMOUS
if ! lpstat -p DatapondPDF >/dev/null 2>&1; then
  for _ in $(seq 100); do lpstat -r 2>/dev/null | grep -q "is running" && break; pgrep -x cupsd >/dev/null || cupsd; sleep 0.1; done
  lpadmin -p DatapondPDF -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null
  lpadmin -d DatapondPDF
fi
before=$(ls "$pdfs" 2>/dev/null | wc -l)

# The native datapond-cli keeps its downloads here, not among the user's own.
export DATAPOND_ARCHIVE=$work/native-kept
# Where the program keeps its downloads and its report.
docs=$(winepath -u "$(wine cmd /c 'echo %USERPROFILE%' | tr -d '\r')\Documents")
kept=$docs/Datapond/Downloads
rm -rf "$docs/Datapond"
# The plant's limits beside the kept downloads, which the program holds each download to.
mkdir -p "$kept" && printf 'ph: below 6.6, above 8.2\r\n' >"$kept/limits.txt"

failed=0
verdict() {  # condition's status, text
  if [ "$1" -eq 0 ]; then echo "ok   $2"; else echo "FAIL $2"; failed=1; fi
}
run() {  # scenario
  echo "== $1"
  (cd "$work" && CUPS_USER=datapond-test DATAPOND_SCREENSHOTS=$(winepath -w "$shots") timeout 300 wine "$program" "$1") || failed=1
}
run multiparameter
# The program's files are the native datapond-cli's for the same readings, order and rows. The
# command line runs in a folder of its own, as it remembers its port in the program's defaults file.
pts=$(readlink "$WINEPREFIX/dosdevices/com7")
mkdir "$work/cli"
(cd "$work/cli" && "$cli" download --port "$pts" --format csv --output all.csv --format tab --output all-tab.txt &&
  "$cli" download --port "$pts" --rows 2,5,9 --format xls --output selected.xls --format text \
  --output selected-text.txt) 2>/dev/null
for made in all.csv all-tab.txt selected.xls selected-text.txt; do
  cmp -s "$work/win-$made" "$work/cli/$made"
  verdict $? "win-$made is the native datapond-cli's, byte for byte"
done
# The Windows datapond-cli finds the ports the program found, in its order.
[ "$(wine "$windows_cli" ports 2>/dev/null | tr -d '\r' | tr '\n' ' ')" = "COM10 COM5 COM6 COM7 COM8 " ]
verdict $? "the Windows datapond-cli lists the program's ports"
# The download is kept, and the Windows datapond-cli's replay of it, on its standard output, is
# the program's save.
mapfile -t ids < <(ls "$kept" 2>/dev/null | grep -v '^limits.txt$')
[ ${#ids[@]} -eq 1 ] && wine "$windows_cli" replay "${ids[0]%.txt}" --archive "$(winepath -w "$kept")" --format csv \
  >"$work/replayed.csv" 2>/dev/null && cmp -s "$work/replayed.csv" "$work/win-all.csv"
verdict $? "one file kept in Documents\\Datapond\\Downloads (${ids[*]}), whose replay is the program's save"
# For other programs the two command lines write the same lines, summer and winter offsets alike.
export TZ=Europe/Berlin
[ ${#ids[@]} -eq 1 ] && wine "$windows_cli" replay "${ids[0]%.txt}" --archive "$(winepath -w "$kept")" --format json \
  >"$work/windows.json" 2>/dev/null && "$cli" replay "${ids[0]%.txt}" --archive "$kept" --format json \
  >"$work/native.json" 2>/dev/null && cmp -s "$work/windows.json" "$work/native.json" &&
  grep -q '+01:00"' "$work/native.json" && grep -q '+02:00"' "$work/native.json"
verdict $? "the Windows datapond-cli's JSON lines are the native one's, each time with its own offset"
unset TZ
grep -q "<h2>Past the limits</h2>" "$docs/Datapond/Readings report.html"
verdict $? "the readings report is written beside the kept downloads, held to their limits"
# The newest job printed every row, each page headed; the one before it the three selected.
for _ in $(seq 100); do [ "$(ls "$pdfs" 2>/dev/null | wc -l)" -ge $((before + 2)) ] && break; sleep 0.2; done
mapfile -t jobs < <(ls -t "$pdfs"/*Logged_Data_Print*.pdf 2>/dev/null | head -n 2)
rows=$(pdftotext -layout "${jobs[1]:-}" - 2>/dev/null | grep -c "AM\|PM")
pages=$(pdfinfo "${jobs[0]:-}" 2>/dev/null | awk '/^Pages:/ { print $2 }')
heads=$(pdftotext -layout "${jobs[0]:-}" - 2>/dev/null | grep -c "Location.*Time.*Reading.*Type(Units)")
[ "$rows" -eq 3 ] && [ "${pages:-0}" -ge 2 ] && [ "$heads" -eq "$pages" ]
verdict $? "printed: $rows selected rows; all rows on ${pages:-no} pages with $heads headings"
pdftoppm -png -r 60 -f 1 -l 1 -singlefile "${jobs[0]:-}" "$shots/printed-page" 2>/dev/null
rm -f "${jobs[@]}"

# COM13: a meter that is unplugged during the download.
meter_on_com "$meter" 13 "$work" --kind multi --pace
unplug=$meter_pid
(sleep 6; kill "$unplug") &
mv "$kept" "$kept.away" && touch "$kept"
run faults
rm -f "$kept" && mv "$kept.away" "$kept"
[ "$(ls "$kept" | grep -vc '^limits.txt$')" -eq 1 ]
verdict $? "failed downloads, and one that could not be kept, leave nothing in the folder"
# The defaults file: the port of the last download, though that run saved nothing, and the
# folder of the save in the run before.
[ "$(cat "$work/DatapondDefaults.txt")" = "$(printf 'COM5\r\n%s\\\r' "$(winepath -w "$work")")" ]
verdict $? "the defaults file remembers the last port and the last save's folder"

# One port alone, and the keyboard alone.
list_ports "Communications Port (COM5)"
run keyboard

for bmp in "$shots"/*.bmp; do
  [ -e "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $failed
