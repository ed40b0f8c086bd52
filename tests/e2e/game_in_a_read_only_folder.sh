#!/usr/bin/env bash
# A program folder that takes no writes: closing the launcher says that the settings cannot be
# written, the game still starts, ends in order on Escape, and says on standard error why there
# is no log. A CONFIG.CFG of the user's own in that folder is rewritten in place.
# Root writes through any permission, so as root the game runs as the user nobody.
source "$(dirname "$0")/lib.sh" "$1"
export DUNMERE_NO_MESSAGE_BOXES=1
trap 'chmod -R u+w "$work"; cleanup' EXIT
if [ "$(id -u)" -eq 0 ]; then
    run_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
    chmod 755 "$work"
    if [ -n "${XAUTHORITY:-}" ]; then
        install -m 644 "$XAUTHORITY" "$work/Xauthority"
        export XAUTHORITY="$work/Xauthority"
    fi
    "${run_as[@]}" true || fail "this machine does not let root run a program as the user nobody"
    "${run_as[@]}" xwininfo -root >/dev/null || fail "the user nobody cannot reach the X display"
fi
printf '800\n600\n32\n0\n' >"$work/game/CONFIG.CFG"
chmod -R a-w,a+rX "$work/game"
"${run_as[@]}" touch "$work/game/probe" 2>/dev/null && fail "the folder takes new files"

start_game
quit_game "$(pass_launcher)"
[ "$game_status" -eq 0 ] || fail "exit status $game_status"
grep -q "No Configuration File: Error writing configuration file to disk!" "$work/stderr" ||
    fail "no message that the settings could not be written"
grep -q "the log could not be saved: cannot open $work/game/Log.txt: Permission denied" "$work/stderr" ||
    fail "standard error does not say why there is no log"
[ "$(cat "$work/game/CONFIG.CFG")" = $'800\n600\n32\n0' ] || fail "CONFIG.CFG changed"

chmod a+w "$work/game/CONFIG.CFG"
start_game
quit_game "$(pass_launcher)"
[ "$game_status" -eq 0 ] || fail "exit status $game_status (second run)"
grep -q "Error writing configuration file" "$work/stderr" && fail "the settings file was not written in place"
[ "$(cat "$work/game/CONFIG.CFG")" = $'800,600,32,0\r' ] || fail "CONFIG.CFG holds $(cat -A "$work/game/CONFIG.CFG")"
echo "ok"
