#!/usr/bin/env bash
# dunmere-tool --help lists the walk command.
source "$(dirname "$0")/lib.sh" "$1"
out=$("$work/game/dunmere-tool" --help) || fail "--help gave status $?"
grep -q walk <<<"$out" || fail "--help does not list walk: $out"
echo "ok"
