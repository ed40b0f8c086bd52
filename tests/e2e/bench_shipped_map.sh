#!/usr/bin/env bash
# The timedemo on the shipped map, briefly: it must start, run both paths, find the reference's
# picture the same as the game's and print its summary line. Nothing judges the timings here.
source "$(dirname "$0")/lib.sh" "$1"
out=$("$work/game/dunmere-tool" bench "$work/game/e1m1-double.dnmap" --seconds 2) || fail "bench gave status $?"
echo "$out"
grep -q "differs from the game's by at most 0 in a colour channel" <<<"$out" ||
    fail "the reference's picture differs from the game's"
grep -Eq '^bench: fps=[0-9.]+ ref_fps=[0-9.]+ ratio=[0-9.]+ p99_ms=[0-9.]+ median_ms=[0-9.]+ allocs_per_frame=[0-9.]+ startup_ms=[0-9]+$' \
    <<<"$out" || fail "no summary line"
echo "ok"
