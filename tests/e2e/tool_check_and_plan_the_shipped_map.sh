#!/usr/bin/env bash
# dunmere-tool check finds nothing to warn about in the shipped map, and plan draws it as SVG.
source "$(dirname "$0")/lib.sh" "$1"
tool="$work/game/dunmere-tool"
map="$(dirname "$0")/../../assets/e1m1-double.dnmap"
out=$("$tool" check "$map") || fail "check gave status $?: $out"
! grep -q warning <<<"$out" || fail "check warns about the shipped map: $out"
"$tool" plan "$map" "$work/plan.svg" --size 300 || fail "plan gave status $?"
grep -q '</svg>' "$work/plan.svg" || fail "plan.svg is not a whole SVG picture"
echo "ok"
