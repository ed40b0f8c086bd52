#!/usr/bin/env bash
# Every ordinary ending keeps the user's data, under a real window manager (openbox): the
# launcher closed by the window manager or by SIGTERM saves the settings; the game's window
# closed by the window manager, or SIGTERM to the game, ends it as Escape does (the log written
# with its statistics); each with status 0.
source "$(dirname "$0")/lib.sh" "$1"
export DUNMERE_NO_MESSAGE_BOXES=1
command -v openbox >/dev/null && command -v wmctrl >/dev/null || fail "openbox and wmctrl are needed"

openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
trap 'kill "$wm_pid" 2>/dev/null || true; wait "$wm_pid" 2>/dev/null || true; cleanup' EXIT
for _ in $(seq 1 50); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
wmctrl -m >/dev/null 2>&1 || fail "openbox did not start"

fresh_folder() {
    rm -f "$work/game/CONFIG.CFG" "$work/game/Log.txt"
}

# Ends the program by $1 (close: the window manager's close request for window $2; term:
# SIGTERM) and checks that $3 ended with status 0.
end_by() {
    case $1 in
        close) wmctrl -i -c "$2" ;;
        term) kill -TERM "$game_pid" ;;
    esac
    wait_for_end
    [ "$game_status" -eq 0 ] || fail "$3 ended by $1 with status $game_status"
}

# The launcher, ended by $1 (close: the window manager's close request; term: SIGTERM).
launcher_ends_by() {
    fresh_folder
    start_game
    launcher=$(wait_for_window "Dunmere Demo")
    sleep 0.5
    end_by "$1" "$launcher" "the launcher"
    [ "$(cat "$work/game/CONFIG.CFG")" = $'640,480,16,0\r' ] || fail "the launcher ended by $1 did not save the settings"
    echo "launcher ended by $1: settings saved, status 0"
}

# The game, ended by $1 (close or term) after a moment of play.
game_ends_by() {
    fresh_folder
    start_game
    window=$(pass_launcher)
    sleep 1.5
    end_by "$1" "$window" "the game"
    log_in_order "Created device!" "Destroyed DirectX at" "Statistics:" "Average FPS: " "...log ends here."
    echo "game ended by $1: log written, status 0"
}

launcher_ends_by close
launcher_ends_by term
game_ends_by close
game_ends_by term
echo "ok"
