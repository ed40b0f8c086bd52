#!/usr/bin/env bash
# A program folder that takes no writes, and a home whose folders cannot be made either: closing
# the launcher says that the settings cannot be written, the game still starts, ends in order on
# Escape, and says on standard error why there is no log. A CONFIG.CFG of the user's own in the
# program's folder is kept there and rewritten in place.
source "$(dirname "$0")/lib.sh" "$1"
export DUNMERE_NO_MESSAGE_BOXES=1
trap 'chmod -R u+w "$work"; cleanup' EXIT
run_as_nobody_when_root
mkdir -m 555 "$work/home"
export HOME="$work/home"
unset XDG_CONFIG_HOME XDG_STATE_HOME XDG_DATA_HOME
printf '800\n600\n32\n0\n' >"$work/game/CONFIG.CFG"
chmod -R a-w,a+rX "$work/game"
"${run_as[@]}" touch "$work/game/probe" 2>/dev/null && fail "the folder takes new files"

start_game
quit_game "$(pass_launcher)"
[ "$game_status" -eq 0 ] || fail "exit status $game_status"
grep -q "No Configuration File: Error writing configuration file to disk!" "$work/stderr" ||
    fail "no message that the settings could not be written"
grep -q "the log could not be saved: cannot open $work/home/.local/state/dunmere/Log.txt: No such file or directory" "$work/stderr" ||
    fail "standard error does not say why there is no log"
[ "$(cat "$work/game/CONFIG.CFG")" = $'800\n600\n32\n0' ] || fail "CONFIG.CFG changed"

chmod a+w "$work/game/CONFIG.CFG"
start_game
quit_game "$(pass_launcher)"
[ "$game_status" -eq 0 ] || fail "exit status $game_status (second run)"
grep -q "Error writing configuration file" "$work/stderr" && fail "the settings file was not written in place"
[ "$(cat "$work/game/CONFIG.CFG")" = $'800,600,32,0\r' ] || fail "CONFIG.CFG holds $(cat -A "$work/game/CONFIG.CFG")"
echo "ok"
