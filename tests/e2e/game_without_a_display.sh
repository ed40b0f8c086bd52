#!/usr/bin/env bash
# Without a display the game says so, logs it and ends at once instead of running where nobody
# can see it. (SDL's fallback drivers that draw nowhere are offered, the console driver is not.)
source "$(dirname "$0")/lib.sh" "$1"
export SDL_VIDEODRIVER=x11,wayland,offscreen,dummy
unset DISPLAY WAYLAND_DISPLAY
start_game
wait_for_end
[ "$game_status" -eq 1 ] || fail "exit status $game_status"
grep -q "cannot start: no display is available" "$work/stderr" || fail "standard error does not say why"
log_has "Could not start the windowing system: no display is available"
log_has "...log ends here."
echo "ok"
