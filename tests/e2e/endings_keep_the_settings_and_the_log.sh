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

# Opaque pixels of the cursor the X server shows (XFixes): 0 while it is hidden.
cursor_pixels() {
    python3 - <<'EOF'
import ctypes
x11, xfixes = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXfixes.so.3")
class Image(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort), ("serial", ctypes.c_ulong),
                ("pixels", ctypes.POINTER(ctypes.c_ulong))]
x11.XOpenDisplay.restype = ctypes.c_void_p
xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(Image)
image = xfixes.XFixesGetCursorImage(x11.XOpenDisplay(None)).contents
print(sum(1 for i in range(image.width * image.height) if image.pixels[i] >> 24))
EOF
}

# Saves the game's picture with F12 as $work/$1.png, its read-out's corner blacked out (the rate
# changes from frame to frame). F12 goes again when nothing came of it (a busy machine).
shot_as() {
    rm -f "$work"/game/screenshot-*.png
    for _ in $(seq 1 5); do
        xdotool windowactivate --sync "$window" key F12
        for _ in $(seq 1 15); do
            sleep 0.2
            for f in "$work"/game/screenshot-*.png; do
                identify "$f" >/dev/null 2>&1 &&
                    convert "$f" -fill black -draw "rectangle 0,0 110,110" "$work/$1.png" && return 0
            done
        done
    done
    fail "F12 saved no screenshot"
}

# Another window takes the focus while the pointer moves over the game; then the game gets it back.
focus_goes_and_comes_back() {
    fresh_folder
    start_game
    window=$(pass_launcher)
    sleep 2
    [ "$(cursor_pixels)" -eq 0 ] || fail "the cursor shows over the game"
    shot_as before
    xmessage -geometry +700+600 away &
    away_pid=$!
    away=$(wait_for_window xmessage)
    xdotool windowactivate --sync "$away" mousemove --sync 100 100
    sleep 1
    [ "$(xdotool getmouselocation --shell | head -n 2 | tr '\n' ' ')" = "X=100 Y=100 " ] ||
        fail "the game moved the pointer while in the background"
    [ "$(cursor_pixels)" -gt 0 ] || fail "the cursor stays hidden over the game in the background"
    xdotool windowactivate --sync "$window"
    sleep 1
    [ "$(cursor_pixels)" -eq 0 ] || fail "the cursor shows over the game after the focus came back"
    shot_as after
    kill "$away_pid"
    differ=$(compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1 || true)
    [ "$differ" = 0 ] || fail "the view turned while the focus was away ($differ pixels differ)"
    quit_game "$window"
    echo "focus away and back: cursor shown and hidden, the view as it was"
}

focus_goes_and_comes_back
launcher_ends_by close
launcher_ends_by term
game_ends_by close
game_ends_by term
echo "ok"
