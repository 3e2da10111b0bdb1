#!/usr/bin/env bash
# The packages as a user meets them: the Debian package installs with apt-get, its programs
# run (a download from the installed simulated meter), its manual page, completion, copyright
# file and changelog are found, lintian has nothing to say, and removing it leaves none of its files; the Windows zip holds the three files it should.
# usage: package_check.sh PACKAGE_FOLDER VERSION DATAPOND_CLI   (after scripts/package; installs, so as root)
# Without packages as new as DATAPOND_CLI, the program of the build that runs it, it skips.
set -uo pipefail
folder=$(realpath "$1") version=$2 built=$3
skip() { echo "SKIPPED: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "installing the package needs root"
! dpkg-query -W -f='${Status}' datapond 2>/dev/null | grep -q "ok installed" ||
  skip "a datapond package is installed here already, and this check would remove it"
deb=$(ls "$folder"/datapond_"$version"_*.deb 2>/dev/null) zip=$folder/datapond-$version-windows-x64.zip
[ -f "$deb" ] && [ -f "$zip" ] || skip "no packages of $version in $folder: scripts/package builds them"
[ "$deb" -nt "$built" ] && [ "$zip" -nt "$built" ] || skip "the packages in $folder are older than $built"
failures=0
check() {  # what, then a command that must succeed
  local what=$1
  shift
  "$@" >/dev/null 2>&1 || { echo "FAIL: $what"; failures=$((failures + 1)); }
}
log=$(mktemp)
trap 'rm -f "$log" "$log.deb"; [ -z "${meter:-}" ] || kill "$meter" 2>/dev/null' EXIT

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$log" 2>&1 || { cat "$log"; exit 1; }
check "datapond-cli --version" test "$(/usr/bin/datapond-cli --version)" = "datapond-cli $version"
check "datapond-meter --version" test "$(/usr/bin/datapond-meter --version)" = "datapond-meter $version"
check "man -w datapond-cli" test "$(man -w datapond-cli)" = /usr/share/man/man1/datapond-cli.1.gz
check "man -w datapond-meter" test "$(man -w datapond-meter)" = /usr/share/man/man1/datapond-meter.1.gz
# As an interactive shell meets it: bash-completion loads it on the first Tab, unsourced.
check "the completion found by bash-completion" bash --norc -c \
  '. /usr/share/bash-completion/bash_completion && __load_completion datapond-cli && complete -p datapond-cli'
check "the copyright file" grep -q "Copyright (C) 2026 Brevanta" /usr/share/doc/datapond/copyright
check "the changelog, its newest entry this version" test \
  "$(zcat /usr/share/doc/datapond/changelog.gz | dpkg-parsechangelog -l - -S Version)" = "$version"
if command -v lintian >/dev/null; then  # as nobody: lintian will not run as root
  cp "$deb" "$log.deb" && chmod 644 "$log.deb"
  check "lintian finds no error nor warning" test -z "$(setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env HOME=/tmp lintian --no-cfg --fail-on error,warning "$log.deb" 2>&1)"
fi
check "libpq's runtime among its dependencies" bash -c "dpkg-deb -f '$deb' Depends | grep -q 'libpq5'"
check "the store's sync in the installed program" bash -c "/usr/bin/datapond-cli --help | grep -q 'datapond-cli sync'"
coproc METER { exec /usr/bin/datapond-meter --kind ss; }
meter=$METER_PID
read -r pty <&"${METER[0]}"
check "a download from the installed datapond-meter" bash -c \
  "set -o pipefail; /usr/bin/datapond-cli download --port $pty --no-archive --format csv | grep '^Location,Time,SS'"
kill "$meter"
wait "$meter" 2>/dev/null

DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq datapond >>"$log" 2>&1 || { cat "$log"; exit 1; }
left=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' | while read -r f; do [ ! -e "$f" ] || echo "$f"; done)
check "files left after removal: $left" test -z "$left"

check "the zip holds Datapond.exe, datapond-cli.exe and README.txt" test "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = \
  "datapond-$version-windows-x64/Datapond.exe datapond-$version-windows-x64/README.txt datapond-$version-windows-x64/datapond-cli.exe "

[ "$failures" -eq 0 ] && echo "the package installs, works and is removed cleanly; the zip is whole"
exit $((failures > 0))
