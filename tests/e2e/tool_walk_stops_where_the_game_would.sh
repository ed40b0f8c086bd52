#!/usr/bin/env bash
# A spawn so far down that the first tick overflows: the walk stops where the game would, with
# status 3 and the script line named.
source "$(dirname "$0")/lib.sh" "$1"
map="$(dirname "$0")/../fuzz/corpus/map/spawn-far-below.dnmap"
set +e
out=$("$work/game/dunmere-tool" walk "$map" <<<$'tick 5\nprint' 2>&1)
status=$?
set -e
[ "$status" -eq 3 ] || fail "the overflowing walk gave status $status: $out"
grep -q 'script line 1: the game would end here: Overflow' <<<"$out" || fail "walk printed: $out"
echo "ok"
