#!/usr/bin/env bash
# The whole program as a player meets it. First run: the launcher opens with its mode list filled
# (no settings file yet: the message goes to standard error), the player picks 800x600 in 16-bit
# with the keyboard and clicks "Go!", walks, lifts, switches to wire frame, drops the textures and
# quits with Escape; the log tells the run in order and CONFIG.CFG keeps the choice. Second run,
# with the map gone: "Go!" brings the real message box, which is answered with Enter, and the
# log is still written.
# Keys for the launcher and the box go to their window (xdotool key --window): a key pressed
# through the server can auto-repeat on a busy machine and answer a box by itself.
source "$(dirname "$0")/lib.sh" "$1"
export DUNMERE_NO_MESSAGE_BOXES=1
start_game
launcher=$(wait_for_window "Dunmere Demo")
xdotool windowfocus --sync "$launcher"
sleep 0.5
# The list shows the selected mode: dark text where the list's box has its text.
import -window "$launcher" "$work/launcher.png"
[ "$(identify -format '%wx%h' "$work/launcher.png")" = "497x179" ] || fail "the launcher is not 497x179"
text=$(convert "$work/launcher.png" +repage -crop 110x13+332+92 -colorspace Gray -threshold 40% -format '%[fx:1-mean]' info:)
awk -v t="$text" 'BEGIN { exit !(t > 0.02) }' || fail "the mode list shows no mode"
# Focus starts on "Go!": Tab, Tab reaches the list; two entries down is 800x600 in 16-bit.
xdotool key --window "$launcher" Tab Tab Down Down
sleep 0.3
xdotool mousemove --window "$launcher" 404 161 click 1
window=$(wait_for_window Main)
xdotool windowfocus --sync "$window"
sleep 1
xdotool keydown Up
sleep 1
xdotool keyup Up
for key in f w b F12; do
    xdotool key "$key"
    sleep 0.3
done
quit_game "$window"
[ "$game_status" -eq 0 ] || fail "exit status $game_status"
grep -q "No Configuration File: Either this is the first time" "$work/stderr" || fail "no first-run message"
[ "$(cat "$work/game/CONFIG.CFG")" = $'800,600,16,0\r' ] || fail "CONFIG.CFG holds $(cat -A "$work/game/CONFIG.CFG")"
[ "$(identify -format '%wx%h' "$work/game/screenshot-0001.png")" = "800x600" ] || fail "the game did not run at 800x600"
log_in_order "Started DirectX 8 at " "Starting Direct3D" "Success! Using " "Enumerating display modes available:" \
    "800x600 in 16-bit colour at " "End of display mode list." "Screenmode changed to 640x480x16" \
    "Screenmode changed to 800x600x16" "Started DirectX 8 at " "Starting Direct3D" "Created device!" \
    "Loading texture from file $work/game/Textures/" "Loading model 'entitycube.x' from location '$work/game/models'" \
    "Statistics:" "Average FPS: " "...log ends here."
[ "$(head -c 13 "$work/game/Log.txt")" = "Dunmere Demo " ] || fail "the log has no header"
[ "$(grep -c $'\r$' "$work/game/Log.txt")" -eq "$(wc -l <"$work/game/Log.txt")" ] || fail "lines without CR LF"
grep -q "Map reading stopped" "$work/game/Log.txt" && fail "the map did not load completely"
fps=$(grep -a "Average FPS: " "$work/game/Log.txt" | tr -dc '0-9.')
awk -v f="$fps" 'BEGIN { exit !(f > 0) }' || fail "the average FPS was not measured"

# Second run without the map: a real message box, answered like a user would.
rm "$work/game/e1m1-double.dnmap" "$work/game/Log.txt"
unset DUNMERE_NO_MESSAGE_BOXES
start_game
launcher=$(wait_for_window "Dunmere Demo")
xdotool windowfocus --sync "$launcher"
xdotool mousemove --window "$launcher" 404 161 click 1
box=$(wait_for_window 'Error loading map')
sleep 0.5
xdotool windowfocus --sync "$box" || true
[ -n "$(window_named 'Error loading map')" ] && kill -0 "$game_pid" || fail "the box did not wait for the player"
# The box and the program may be gone before xdotool sends the key's release: not an error. On a
# busy machine a key can reach the box before it takes input: Enter goes again after five seconds.
for _ in $(seq 1 5); do
    xdotool key --window "$box" Return 2>/dev/null || true
    for _ in $(seq 1 25); do
        kill -0 "$game_pid" 2>/dev/null || break 2
        sleep 0.2
    done
done
wait_for_end
[ "$game_status" -eq 1 ] || fail "exit status $game_status"
grep -q "e1m1-double.dnmap could not be opened" "$work/stderr" || fail "standard error does not name the map"
log_has "Error loading map - Quitting: cannot open the map file $work/game/e1m1-double.dnmap"
log_has "Statistics:"
echo "ok"
