#!/usr/bin/env bash
# datapond-cli built for Windows, under Wine on COM5 to COM7, writes the same bytes as the
# native datapond-cli reading a native simulated meter of the same kind and data.
# usage: same_bytes_check.sh WINDOWS_CLI NATIVE_CLI NATIVE_METER   (inside run_under_wine.sh)
set -uo pipefail
windows_cli=$1 native_cli=$2 meter=$3
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
failed=0
args=(download --units mg/l --sort time --rows 1,3,5 --format text)
for format in xls csv tab; do args+=(--format "$format" --output "readings.$format"); done
for kind_port in do:COM5 ss:COM6 multi:COM7; do
  kind=${kind_port%%:*}
  "$meter" --kind "$kind" >"$work/$kind.port" &
  for _ in $(seq 100); do [ -s "$work/$kind.port" ] && break; sleep 0.05; done
  mkdir -p "$work/win-$kind" "$work/native-$kind"
  (cd "$work/win-$kind" && wine "$windows_cli" "${args[@]}" --port "${kind_port##*:}" >readings.text 2>errors)
  (cd "$work/native-$kind" && "$native_cli" "${args[@]}" --port "$(head -n 1 "$work/$kind.port")" >readings.text 2>errors)
  for format in text xls csv tab; do
    if [ -s "$work/native-$kind/readings.$format" ] && cmp "$work/win-$kind/readings.$format" "$work/native-$kind/readings.$format"; then
      echo "ok   $kind $format: identical bytes"
    else
      echo "FAIL $kind $format differs"; cat "$work/win-$kind/errors"; failed=1
    fi
  done
done
exit $failed
