#!/usr/bin/env bash
# datapond-cli built for Windows, under Wine on COM5 to COM7, writes the same bytes as the
# native datapond-cli reading a native simulated meter of the same kind and data.
# usage: same_bytes_check.sh WINDOWS_CLI NATIVE_CLI NATIVE_METER   (inside run_under_wine.sh)
set -uo pipefail
windows_cli=$1 native_cli=$2 meter=$3
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
passed=0 failed=0

for kind_port in do:COM5 ss:COM6 multi:COM7; do
  kind=${kind_port%%:*} com=${kind_port##*:}
  "$meter" --kind "$kind" >"$work/$kind.port" &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/$kind.port" ] && break; sleep 0.05; done
  pts=$(head -n 1 "$work/$kind.port")
  args=(download --units mg/l --sort time --rows 1,3,5 --format text)
  for format in xls csv tab; do args+=(--format "$format" --output "readings.$format"); done
  mkdir -p "$work/win-$kind" "$work/native-$kind"
  (cd "$work/win-$kind" && wine "$windows_cli" "${args[@]}" --port "$com" >readings.text 2>errors)
  (cd "$work/native-$kind" && "$native_cli" "${args[@]}" --port "$pts" >readings.text 2>errors)
  for format in text xls csv tab; do
    win=$work/win-$kind/readings.$format native=$work/native-$kind/readings.$format
    if [ -s "$native" ] && cmp -s "$win" "$native"; then
      echo "ok   $kind $format: $(wc -c <"$native") identical bytes"
      passed=$((passed + 1))
    else
      echo "FAIL $kind $format differs"; cat "$work/win-$kind/errors"; cmp "$win" "$native"
      failed=$((failed + 1))
    fi
  done
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
