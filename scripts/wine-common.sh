# Sourced by the Windows demo and the Windows tests: one way to make a Wine prefix, to put a
# simulated meter on a COM port, to give Wine a display, and to list serial ports the way
# Windows does.

# A Wine prefix in PREFIX, made on first use and kept for the next run. Wine links the
# user's Documents, Desktop and the like to $HOME; here they are folders of the prefix, so
# that what the programs keep and save there never lands among the user's own files, and
# no menu entries are made on the user's desktop.
wine_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" WINEARCH=win64
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  local link
  while IFS= read -r -d '' link; do
    rm "$link" && mkdir "$link"
  done < <(find "$WINEPREFIX/drive_c/users" -type l -print0)
}

# datapond-meter METER with OPTIONS on COM port NUMBER, noting its port in FOLDER; it runs in
# the background as $meter_pid until killed.
meter_on_com() {  # METER NUMBER FOLDER OPTIONS...
  local meter=$1 number=$2 folder=$3 pts
  shift 3
  "$meter" "$@" >"$folder/com$number" &
  meter_pid=$!
  for _ in $(seq 100); do [ -s "$folder/com$number" ] && break; sleep 0.05; done
  pts=$(head -n 1 "$folder/com$number")
  [ -n "$pts" ] || { echo "datapond-meter $* printed no port" >&2; return 1; }
  ln -sfn "$pts" "$WINEPREFIX/dosdevices/com$number"
}

# An Xvfb display when there is none, as $display_pid (empty when a display was there).
own_display() {
  display_pid=""
  [ -z "${DISPLAY:-}" ] || return 0
  local n
  for n in $(seq 90 99); do [ -e /tmp/.X11-unix/X$n ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  display_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
}

# The serial ports Windows lists, by friendly name, and nothing else. On a display of our own
# the whole screen is one Wine desktop, so windows get their frames without a window manager;
# a crash ends a program at once instead of waiting on Wine's crash window.
list_ports() {  # FRIENDLY_NAME...
  local key='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum\ROOT\PORTS' file n=0 name
  file=$(mktemp)
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    if [ -n "${display_pid:-}" ]; then
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n\r\n'
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="1024x768"\r\n\r\n'
    fi
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
    for name in "$@"; do
      printf '[%s\\%04d]\r\n"ClassGUID"="{4d36e978-e325-11ce-bfc1-08002be10318}"\r\n"FriendlyName"="%s"\r\n\r\n' \
        "$key" $((n++)) "$name"
    done
  } >"$file"
  wine reg delete "$key" /f >/dev/null 2>&1 || true  # absent on a new prefix
  wine regedit "$file"
  wineserver -w
  rm -f "$file"
}
