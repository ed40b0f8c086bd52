#!/usr/bin/env bash
# On a disk that refuses to write Log.txt the game still ends in order on Escape, and says on
# standard error why there is no log.
source "$(dirname "$0")/lib.sh" "$1"
export DUNMERE_NO_MESSAGE_BOXES=1
ln -s /dev/full "$work/game/Log.txt"
start_game
window=$(pass_launcher)
quit_game "$window"
[ "$game_status" -eq 0 ] || fail "exit status $game_status"
grep -q "the log could not be saved: cannot write" "$work/stderr" || fail "standard error does not say why"
echo "ok"
