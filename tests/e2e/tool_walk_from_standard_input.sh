#!/usr/bin/env bash
# dunmere-tool walk reads its script from standard input when none is named: five ticks forward on
# a flat floor print the position the game reaches.
source "$(dirname "$0")/lib.sh" "$1"
map="$(dirname "$0")/../tools/data/flat.dnmap"
out=$("$work/game/dunmere-tool" walk "$map" <<<$'down 38\ntick 5\nprint') || fail "walk gave status $?"
grep -qx '0 5 -15 0 0' <<<"$out" || fail "walk printed: $out"
echo "ok"
