# Shared steps of the end-to-end tests: a private copy of the runtime folder, the game started
# in it on the current X display, keys sent with xdotool, and checks of what it left behind.
# Usage in a test: source lib.sh RUNTIME_DIR
set -euo pipefail

runtime=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/dunmere-e2e-XXXXXX")
game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/game/Log.txt" ] && { echo "--- Log.txt:" >&2; cat "$work/game/Log.txt" >&2; }
    [ -f "$work/stderr" ] && { echo "--- standard error:" >&2; cat "$work/stderr" >&2; }
    exit 1
}

# A copy of the runtime folder, so the test's Log.txt, settings and screenshots stay its own.
cp -r "$runtime" "$work/game"

# The game runs as the user of the test, or through the command a test puts in run_as.
run_as=()
start_game() {
    (cd "$work/game" && exec "${run_as[@]}" ./dunmere >"$work/stdout" 2>"$work/stderr") &
    game_pid=$!
}

# The id of the newest top-level window named exactly $1 (read from the window tree: xdotool's
# name search misses the names SDL sets).
window_named() {
    xwininfo -root -tree | grep -F -- "\"$1\":" | awk '{ print $1 }' | tail -n 1
}

# Waits for a window named exactly $1; prints its id.
wait_for_window() {
    local id=""
    for _ in $(seq 1 100); do
        id=$(window_named "$1" || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$game_pid" 2>/dev/null || fail "the game ended before a window named $1 appeared"
        sleep 0.2
    done
    fail "no window named $1 appeared"
}

# Starts the game from the launcher as a player would with the keyboard: its window takes the
# focus and Enter, sent to it, presses "Go!". Enter goes again only when nothing came of it for
# ten seconds. Prints the game window's id.
pass_launcher() {
    local launcher id=""
    launcher=$(wait_for_window "Dunmere Demo")
    for _ in $(seq 1 3); do
        xdotool windowfocus --sync "$launcher" 2>/dev/null || true
        xdotool key --window "$launcher" Return
        for _ in $(seq 1 50); do
            id=$(window_named Main || true)
            [ -n "$id" ] && { echo "$id"; return 0; }
            kill -0 "$game_pid" 2>/dev/null || fail "the game ended in the launcher"
            sleep 0.2
        done
    done
    fail "Enter in the launcher did not start the game"
}

# Checks that Log.txt holds lines containing these texts, in this order.
log_in_order() {
    local after=0 n
    for text in "$@"; do
        n=$(tail -n "+$((after + 1))" "$work/game/Log.txt" | grep -n -F -m 1 -- "$text" | cut -d: -f1 || true)
        [ -n "$n" ] || fail "Log.txt lacks, after its line $after: $text"
        after=$((after + n))
    done
}

# Waits for the game to end; sets game_status.
wait_for_end() {
    for _ in $(seq 1 150); do
        if ! kill -0 "$game_pid" 2>/dev/null; then
            set +e
            wait "$game_pid"
            game_status=$?
            set -e
            game_pid=""
            return 0
        fi
        sleep 0.2
    done
    fail "the game did not end within 30 seconds"
}

# Presses Escape in the game's window until the game ends (a key sent while the window is not yet
# taking input is lost); sets game_status.
quit_game() {
    for _ in $(seq 1 15); do
        xdotool windowfocus --sync "$1" 2>/dev/null || true
        xdotool key Escape
        for _ in $(seq 1 10); do
            kill -0 "$game_pid" 2>/dev/null || { wait_for_end; return 0; }
            sleep 0.2
        done
    done
    fail "the game did not end on Escape"
}

log_has() {
    grep -q -F -- "$1" "$work/game/Log.txt" || fail "Log.txt lacks: $1"
}

# Mean brightness of a picture, 0 to 1.
mean_of() {
    convert "$1" -colorspace Gray -format '%[fx:mean]' info:
}

# Root writes through any permission, so as root the game runs as the user nobody (through
# run_as), with the X authority copied where nobody can read it.
run_as_nobody_when_root() {
    [ "$(id -u)" -eq 0 ] || return 0
    run_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
    chmod 755 "$work"
    if [ -n "${XAUTHORITY:-}" ]; then
        install -m 644 "$XAUTHORITY" "$work/Xauthority"
        export XAUTHORITY="$work/Xauthority"
    fi
    "${run_as[@]}" true || fail "this machine does not let root run a program as the user nobody"
    "${run_as[@]}" xwininfo -root >/dev/null || fail "the user nobody cannot reach the X display"
}
