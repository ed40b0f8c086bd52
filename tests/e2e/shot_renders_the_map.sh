#!/usr/bin/env bash
# dunmere-tool shot renders one frame of the shipped map in the requested size, depth and fill.
source "$(dirname "$0")/lib.sh" "$1"
tool="$work/game/dunmere-tool"
map="$work/game/e1m1-double.dnmap"
"$tool" shot "$map" "$work/solid.png" --eye 96.5 24.5 -15 --yaw 0 --pitch 0 --size 320x240 || fail "solid shot"
"$tool" shot "$map" "$work/wire.png" --eye 96.5 24.5 -15 --yaw 0 --pitch 0 --size 320x240 --fill wire || fail "wire shot"
"$tool" shot "$map" "$work/plain.png" --eye 96.5 24.5 -15 --yaw 0 --pitch 0 --size 320x240 --no-textures \
    --depth 16 || fail "untextured shot"
[ "$(identify -format '%wx%h' "$work/solid.png")" = "320x240" ] || fail "wrong size"
solid=$(mean_of "$work/solid.png")
wire=$(mean_of "$work/wire.png")
plain=$(mean_of "$work/plain.png")
echo "mean brightness: solid $solid, wire $wire, untextured $plain"
awk -v s="$solid" -v w="$wire" 'BEGIN { exit !(s > 0.15 && w < s / 2) }' || fail "solid or wire picture is wrong"
differ=$(compare -metric AE "$work/solid.png" "$work/plain.png" null: 2>&1 || true)
awk -v d="$differ" 'BEGIN { exit !(d > 10000) }' || fail "dropping the textures changed nothing"
# Looking straight at the spawn hall's far wall from outside the world shows nothing but the read-out.
"$tool" shot "$map" "$work/void.png" --eye 96.5 -500 -15 --yaw 180 --pitch 0 --size 320x240 || fail "void shot"
awk -v m="$(mean_of "$work/void.png")" 'BEGIN { exit !(m < 0.02) }' || fail "the view away from the world is not black"
set +e
"$tool" shot "$work/none.dnmap" "$work/x.png" --eye 0 0 0 --yaw 0 --pitch 0 2>"$work/err"
status=$?
set -e
[ "$status" -eq 1 ] || fail "a missing map gave status $status"
grep -q "none.dnmap" "$work/err" || fail "the error does not name the map"
echo "ok"
