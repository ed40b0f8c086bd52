#!/usr/bin/env bash
# A script line dunmere-tool walk cannot read ends it with status 2.
source "$(dirname "$0")/lib.sh" "$1"
map="$(dirname "$0")/../tools/data/flat.dnmap"
set +e
"$work/game/dunmere-tool" walk "$map" <<<$'print\nfly'
status=$?
set -e
[ "$status" -eq 2 ] || fail "an unreadable script line gave status $status"
echo "ok"
