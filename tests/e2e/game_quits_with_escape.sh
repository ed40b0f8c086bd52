#!/usr/bin/env bash
# The game starts from its folder, shows the world, ends on Escape and writes its log.
source "$(dirname "$0")/lib.sh" "$1"
export DUNMERE_NO_MESSAGE_BOXES=1
start_game
window=$(wait_for_window Main)
xdotool windowfocus --sync "$window"
sleep 1.5
quit_game "$window"
[ "$game_status" -eq 0 ] || fail "exit status $game_status"
[ "$(head -c 13 "$work/game/Log.txt")" = "Dunmere Demo " ] || fail "the log has no header"
log_has "Started DirectX 8 at "
log_has "Device set up correctly-- finished initialisation!"
log_has "Created device!"
log_has "Loading texture from file $work/game/Textures/brick.png"
log_has "Loading model 'entitycube.x' from location '$work/game/models'"
log_has "Statistics:"
log_has "Average FPS: "
log_has "Performance: "
log_has "...log ends here."
grep -q "Map reading stopped" "$work/game/Log.txt" && fail "the map did not load completely"
# Lines end in CR LF.
[ "$(grep -c $'\r$' "$work/game/Log.txt")" -eq "$(wc -l <"$work/game/Log.txt")" ] || fail "lines without CR LF"
echo "ok"
