#!/usr/bin/env bash
# Without its map the game says which file is missing, logs it and ends with status 1. The
# message box is real: it is found on the screen and answered like a user would.
source "$(dirname "$0")/lib.sh" "$1"
rm "$work/game/e1m1-double.dnmap"
unset DUNMERE_NO_MESSAGE_BOXES
start_game
box=$(wait_for_window 'Error loading map')
sleep 0.5
xdotool windowfocus --sync "$box" || true
xdotool key --window "$box" Return
wait_for_end
[ "$game_status" -eq 1 ] || fail "exit status $game_status"
grep -q "e1m1-double.dnmap could not be opened" "$work/stderr" || fail "standard error does not name the map"
log_has "Error loading map - Quitting: cannot open the map file $work/game/e1m1-double.dnmap"
log_has "Statistics:"
echo "ok"
