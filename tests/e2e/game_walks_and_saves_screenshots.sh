#!/usr/bin/env bash
# Keys reach the game: F12 saves numbered screenshots, the up arrow walks, w draws wire frames.
source "$(dirname "$0")/lib.sh" "$1"
export DUNMERE_NO_MESSAGE_BOXES=1
start_game
window=$(pass_launcher)
xdotool windowfocus --sync "$window"
sleep 1
xdotool key F12
sleep 0.3
xdotool keydown Up
sleep 1.5
xdotool keyup Up
sleep 0.3
xdotool key F12
sleep 0.3
xdotool type w
# F12 saves the frame last shown: on a busy machine a frame can take longer than a few tenths.
sleep 1.5
xdotool key F12
sleep 0.3
quit_game "$window"
[ "$game_status" -eq 0 ] || fail "exit status $game_status"
for n in 1 2 3; do
    [ -f "$work/game/screenshot-000$n.png" ] || fail "screenshot-000$n.png is missing"
    log_has "Saved screenshot screenshot-000$n.png"
done
[ "$(identify -format '%wx%h' "$work/game/screenshot-0001.png")" = "640x480" ] || fail "the screenshot is not 640x480"
start=$(mean_of "$work/game/screenshot-0001.png")
walked=$(mean_of "$work/game/screenshot-0002.png")
wire=$(mean_of "$work/game/screenshot-0003.png")
echo "mean brightness: start $start, after walking $walked, wire frame $wire"
awk -v a="$start" 'BEGIN { exit !(a > 0.1) }' || fail "the first frame is nearly black"
differ=$(compare -metric AE "$work/game/screenshot-0001.png" "$work/game/screenshot-0002.png" null: 2>&1 || true)
awk -v d="$differ" 'BEGIN { exit !(d > 10000) }' || fail "walking did not change the view ($differ pixels differ)"
awk -v w="$wire" -v s="$walked" 'BEGIN { exit !(w < s / 2) }' || fail "the wire frame is not darker than the solid view"
echo "ok"
