#!/usr/bin/env bash
# dunmere-tool play runs the game on a map and records the run: arrows held, the mouse moved, f and
# r typed, Escape. It prints where the player stands, and walk on the recording ends there exactly;
# played back with --replay, the run ends there too.
source "$(dirname "$0")/lib.sh" "$1"
game="$work/game"
play() {
    (cd "$game" && exec ./dunmere-tool play e1m1-double.dnmap "$@" >"$work/stdout" 2>"$work/stderr") &
    game_pid=$!
    window=$(wait_for_window Main)
    xdotool windowfocus --sync "$window"
    sleep 1
}
play --record "$work/run.walk" --log "$work/log.txt"
xdotool keydown Up
sleep 0.5
xdotool mousemove --window "$window" 400 260
sleep 0.5
xdotool keyup Up
xdotool type f
xdotool type r
xdotool keydown Left
sleep 0.3
xdotool mousemove --window "$window" 250 200
sleep 0.3
xdotool keyup Left
sleep 0.3
quit_game "$window"
[ "$game_status" -eq 0 ] || fail "play ended with status $game_status"
played=$(cat "$work/stdout")
grep -qxE '(-?[0-9.e+-]+ ){4}-?[0-9.e+-]+' <<<"$played" || fail "play printed: $played"
for line in 'down 38' 'up 38' 'down 37' 'key f' 'key r' 'key esc'; do
    grep -qx "$line" "$work/run.walk" || fail "the recording lacks: $line"
done
grep -qE '^look -?[1-9]' "$work/run.walk" || fail "the recording has no mouse look"
grep -q 'Average FPS' "$work/log.txt" || fail "the log was not written to --log"
walked=$("$game/dunmere-tool" walk "$game/e1m1-double.dnmap" <(cat "$work/run.walk"; echo print))
[ "$walked" = "$played" ] || fail "walk on the recording ended at $walked, play at $played"

# The replay shows the same run, then hands the controls over.
play --replay "$work/run.walk"
for _ in $(seq 1 100); do
    grep -q 'replay .* has ended' "$work/stderr" && break
    sleep 0.2
done
grep -q 'replay .* has ended' "$work/stderr" || fail "the replay did not end"
quit_game "$window"
[ "$(cat "$work/stdout")" = "$played" ] || fail "the replay ended at $(cat "$work/stdout"), play at $played"
echo "ok: $played"
