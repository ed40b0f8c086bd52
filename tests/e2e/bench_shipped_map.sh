#!/usr/bin/env bash
# The timedemo on the shipped map, briefly: it must start, run the three paths, find every 50th
# frame of the game the same as the reference's, count the fragments and print its summary
# line. Nothing judges the timings here.
source "$(dirname "$0")/lib.sh" "$1"
out=$("$work/game/dunmere-tool" bench "$work/game/e1m1-double.dnmap" --seconds 2) || fail "bench gave status $?"
echo "$out"
grep -Eq "^pictures: every 50th frame of the route \(4[0-9] frames\), the game's against the reference's: at most 0 apart in a colour channel \(mean 0.0000\), 0 pixels differ" \
    <<<"$out" || fail "the reference's pictures differ from the game's"
grep -Eq '^fragments: the plain drawing shades [0-9.]+ a pixel, 0.9[0-9]+ a pixel are visible: overdraw 1.[0-9]+ ' \
    <<<"$out" || fail "no fragment counts"
grep -Eq '^visible +[1-9][0-9]* ' <<<"$out" || fail "no visible-only path"
grep -Eq '^bench: fps=[0-9.]+ ref_fps=[0-9.]+ ratio=[0-9.]+ median_fps=[0-9.]+ bound_ratio=[0-9.]+ p99_ms=[0-9.]+ p99_ratio=[0-9.]+ median_ms=[0-9.]+ allocs_per_frame=[0-9.]+ startup_ms=[0-9]+$' \
    <<<"$out" || fail "no summary line"
echo "ok"
