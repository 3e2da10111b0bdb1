#!/usr/bin/env bash
# The manual pages, --help and the bash completion must tell the same story: the same commands
# and options, the values the program accepts; the pages must format without a warning.
# usage: manual_check.sh DATAPOND_CLI DATAPOND_METER MAN_FOLDER COMPLETION
set -uo pipefail
cli=$1 meter=$2 man=$3 completion=$4
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
same() {  # what, expected, actual: word lists compared as sets
  local a b
  a=$(tr ' ' '\n' <<<"$2" | grep . | sort -u) b=$(tr ' ' '\n' <<<"$3" | grep . | sort -u)
  [ "$a" = "$b" ] || fail "$1: $(diff <(echo "$a") <(echo "$b") | grep '^[<>]' | tr '\n' ' ')"
}
# Every --name, but the "--option VALUE" that shows how options are written.
options() { grep -o -- '--[a-z][a-z-]*' | grep -v -x -- --option | sort -u | tr '\n' ' '; }
page_options() { sed -n '/^\.SH OPTIONS/,/^\.SH [^O]/p' "$1" | sed 's/\\-/-/g' | options; }

for page in "$man"/datapond-cli.1 "$man"/datapond-meter.1; do
  warnings=$(groff -man -Tutf8 -ww "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
done
same "datapond-cli(1) against --help" "$("$cli" --help | options)" "$(page_options "$man"/datapond-cli.1)"
same "datapond-meter(1) against --help" "$("$meter" --help | options) --help" "$(page_options "$man"/datapond-meter.1)"
same "commands of datapond-cli(1)" "$("$cli" --help | sed -n 's/^ *\(usage: \)\?datapond-cli \([a-z]\+\).*/\2/p')" \
  "$(sed -n 's/^\.B datapond\\-cli \([a-z]*\).*/\1/p' "$man"/datapond-cli.1)"

# shellcheck source=/dev/null
source "$completion"
complete_words() {  # the words typed: what the completion offers for the last
  COMP_WORDS=("$@") COMP_CWORD=$(($# - 1))
  _datapond_cli
  echo "${COMPREPLY[*]}"
}
offered_options=""
for command in download archive replay history report correct; do
  offered=$(complete_words "$cli" "$command" --)
  offered_options+=" $offered"
  for option in $offered; do
    refusal=$("$cli" "$command" "$option" 1 2>&1 | grep -e "is not an option of" -e "unknown option")
    [ -z "$refusal" ] || fail "completion offers $option to $command: $refusal"
  done
done
same "options completed against --help" "$("$cli" --help | options)" "$offered_options --version"
for option in --sort --format --units --type --encoding; do
  accepted=$("$cli" history "$option" none 2>&1 | sed -n 's/.*is none of \(.*\) (see.*/\1/p' | tr '|' ' ')
  same "values of $option" "$accepted" "$(complete_words "$cli" history "$option" '')"
done

[ "$failures" -eq 0 ] && echo "manual pages, --help and completion agree"
exit $((failures > 0))
