#!/usr/bin/env bash
# The program's windows under Wine, on an X display (Xvfb when there is none), with serial
# devices seeded in the Wine registry the way Windows lists them. Runs every scenario of
# ProgramTest and turns its pictures into PNG files in SCREENSHOT_DIR.
# usage: program_check.sh PROGRAM_TEST SCREENSHOT_DIR METER NATIVE_CLI   (inside run_under_wine.sh)
set -uo pipefail
program=$1 shots=$2 meter=$3 cli=$4
mkdir -p "$shots"
work=$(mktemp -d)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  [ ${#pids[@]} -gt 0 ] && kill "${pids[@]}" 2>/dev/null
  rm -f "$WINEPREFIX/dosdevices/com12" "$WINEPREFIX/dosdevices/com13"
  rm -rf "$work"
}
pids=()
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 99); do [ -e /tmp/.X11-unix/X$n ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
fi

ports_key='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum\ROOT\PORTS'
class='{4d36e978-e325-11ce-bfc1-08002be10318}'
device() {  # number, friendly name
  printf '[%s\\%s]\r\n"ClassGUID"="%s"\r\n"FriendlyName"="%s"\r\n\r\n' "$ports_key" "$1" "$class" "$2"
}
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  # The whole screen is one Wine desktop, so windows get their frames without a window manager.
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1024x768"\r\n\r\n'
  # A crash ends the program at once instead of waiting on Wine's crash window.
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
  device 0000 "Communications Port (COM5)"
  device 0001 "USB Serial Port (COM7)"
  device 0002 "Communications Port (COM8)"
  device 0003 "ECP Printer Port (LPT1)"
  device 0004 "Modem without a port name"
  device 0005 "Adapter (USB) (COM9)"
  # A name of 99 characters fills the program's 100-byte buffer with its NUL.
  long_name="USB Serial Port $(printf '%*s' 75 '' | tr ' ' '.') (COM10)"
  device 0006 "$long_name"
  device 0007 "Communications Port (COM6)"
  device 0008 "Communications Port (COM12)"
  device 0009 "Communications Port (COM13)"
} >"$work/ports.reg"
wine regedit "$work/ports.reg"
wineserver -w

# COM12: three readings of two types; COM13: a meter that is unplugged during the download.
meter_on() {  # COM number, options...
  local com=$1
  shift
  "$meter" "$@" >"$work/com$com.port" &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/com$com.port" ] && break; sleep 0.05; done
  ln -sfn "$(head -n 1 "$work/com$com.port")" "$WINEPREFIX/dosdevices/com$com"
}
printf '%s\n' "4131 2020 2020 02BC 00D7 0000 025D 0026" "4220 2020 2020 04D2 0000 0000 0005 0023" \
  "4320 2020 2020 0320 00C8 0000 0105 0026" >"$work/three.txt"
meter_on 12 --kind multi --records "$work/three.txt"

failed=0
run() {  # scenario
  echo "== $1"
  (cd "$work" && DATAPOND_SCREENSHOTS=$(winepath -w "$shots") timeout 300 wine "$program" "$1") || failed=1
}
run wait-window
run multiparameter
run dissolved-oxygen
run commands
# The program's files and datapond-cli's for the same readings, order and rows.
pts=$(readlink "$WINEPREFIX/dosdevices/com7")
(cd "$work" && "$cli" download --port "$pts" --format csv --output cli-all.csv --format text --output cli-all-text.txt \
  --format tab --output cli-all-tab.txt 2>/dev/null &&
  "$cli" download --port "$pts" --rows 2,5,9 --format xls --output cli-selected.xls --format text \
  --output cli-selected-text.txt 2>/dev/null)
for pair in all.csv all-text.txt all-tab.txt selected.xls selected-text.txt; do
  if [ -s "$work/cli-$pair" ] && cmp -s "$work/win-$pair" "$work/cli-$pair"; then
    echo "ok   the program's $pair is datapond-cli's, byte for byte"
  else
    echo "FAIL the program's $pair differs from datapond-cli's"; failed=1
  fi
done
# Printing reaches a PDF printer through CUPS, as a Windows printer of Wine's.
# cups-pdf writes into the PDF folder of the job owner's home as the user database gives it.
pdfs=$(getent passwd "$(id -un)" | cut -d: -f6)/PDF
if ! lpstat -p DatapondPDF >/dev/null 2>&1; then
  scheduler() { lpstat -r 2>/dev/null | grep -q "is running"; }
  scheduler || cupsd
  for _ in $(seq 100); do scheduler && break; sleep 0.1; done
  lpadmin -p DatapondPDF -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null
  lpadmin -d DatapondPDF
fi
mkdir -p "$pdfs"
before=$(ls "$pdfs" 2>/dev/null | wc -l)
run print
for _ in $(seq 100); do [ "$(ls "$pdfs" | wc -l)" -ge $((before + 2)) ] && break; sleep 0.2; done
jobs=($(ls -t "$pdfs"/*Logged_Data_Print*.pdf 2>/dev/null | head -n 2))
if [ ${#jobs[@]} -eq 2 ]; then
  selected=${jobs[1]} all=${jobs[0]}
  rows=$(pdftotext -layout "$selected" - | grep -c "AM\|PM")
  pages=$(pdfinfo "$all" | awk '/^Pages:/ { print $2 }')
  heads=$(pdftotext -layout "$all" - | grep -c "Location.*Time.*Reading.*Type(Units)")
  if [ "$rows" -eq 3 ] && [ "$pages" -ge 2 ] && [ "$heads" -eq "$pages" ]; then
    echo "ok   printed: 3 selected rows on one page; all rows on $pages pages, each headed"
  else
    echo "FAIL printed: $rows selected rows, $pages pages with $heads headings"; failed=1
  fi
  pdftoppm -png -r 60 -f 1 -l 1 "$all" "$shots/printed-page"
  mv "$shots/printed-page-1.png" "$shots/printed-page.png" 2>/dev/null
else
  echo "FAIL the print jobs did not reach the PDF printer"; failed=1
fi
run suspended-solids
run one-type-left
meter_on 13 --kind multi --pace
unplug=${pids[-1]}
(sleep 6; kill "$unplug") &
run unplugged
run silent
wine reg delete "$ports_key" /f >/dev/null 2>&1
{ printf 'Windows Registry Editor Version 5.00\r\n\r\n'; device 0000 "Communications Port (COM5)"; } >"$work/one.reg"
wine regedit "$work/one.reg"
wineserver -w
run one-port
wine reg delete "$ports_key" /f >/dev/null 2>&1
wineserver -w
run no-port

for bmp in "$shots"/*.bmp; do
  [ -e "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit $failed
