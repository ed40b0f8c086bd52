#!/usr/bin/env bash
# dunmere-tool play loads the map again when it is saved: the wall in front of the player changes
# texture on screen. A save cut in the middle of an entry keeps the world as it was and shows the
# error under the read-out, with its line and column on standard error; the next good save loads.
# A texture file saved is read again, alone.
# A map that does not load cleanly at the start does not open.
source "$(dirname "$0")/lib.sh" "$1"
game="$work/game"
map="$game/e1m1-double.dnmap"
wall='WALL,64,0,128,0,-72,0,-2,2.25,1,-2,-2.25' # 24.5 ahead of the spawn, facing it
tr -d '\r' <"$map" >"$work/brick.dnmap"
grep -qx -- "$wall" "$work/brick.dnmap" || fail "the shipped map has no wall $wall"
sed "s/^$wall\$/WALL,64,0,128,0,-72,0,-2,2.25,4,-2,-2.25/" "$work/brick.dnmap" >"$work/metal.dnmap"

# A map that does not load cleanly does not open: check's errors and status 1.
printf 'TEXTURE,1,brick.png\nWALL,1,2' >"$game/cut.dnmap"
set +e
"$game/dunmere-tool" play "$game/cut.dnmap" 2>"$work/cut"
status=$?
set -e
[ "$status" -eq 1 ] && grep -q 'cut.dnmap:2:1: error: reading stops here' "$work/cut" || fail "cut.dnmap: $status $(cat "$work/cut")"

(cd "$game" && exec ./dunmere-tool play e1m1-double.dnmap --at 96.5 24.5 -15 180 0 >"$work/stdout" \
    2>"$work/stderr") &
game_pid=$!
window=$(wait_for_window Main)
xdotool windowfocus --sync "$window"
sleep 1

# Saves a screenshot with F12; sets shot to its path.
shots=0
snap() {
    shots=$((shots + 1))
    shot="$game/screenshot-000$shots.png"
    for _ in $(seq 1 10); do
        xdotool key F12
        for _ in $(seq 1 10); do
            [ -s "$shot" ] && { sleep 0.2; return 0; }
            sleep 0.1
        done
    done
    fail "F12 saved no $shot"
}
# Waits until standard error holds $2 lines containing $1.
wait_for_stderr() {
    for _ in $(seq 1 50); do
        [ "$(grep -c -- "$1" "$work/stderr")" -ge "$2" ] && return 0
        sleep 0.1
    done
    fail "standard error did not say \"$1\" $2 times"
}
# Pixels that differ between two screenshots in a region WxH+X+Y.
differ() {
    convert "$1" -crop "$3" "$work/a.png"
    convert "$2" -crop "$3" "$work/b.png"
    compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true
}
world=400x300+120+100 # the wall
note=640x16+0+18      # the line under the read-out

snap
brick=$shot
cp "$work/metal.dnmap" "$work/save" && mv "$work/save" "$map" # written beside it, renamed over it
wait_for_stderr 'reloaded in' 1
snap
metal=$shot
[ "$(differ "$brick" "$metal" $world)" -gt 20000 ] || fail "the wall did not change texture"

{ head -n 100 "$work/brick.dnmap"; sed -n 101p "$work/brick.dnmap" | cut -c 1-14; } >"$map" # cut mid-entry
wait_for_stderr 'did not load cleanly' 1
grep -qE 'e1m1-double.dnmap:101:[0-9]+: error: ' "$work/stderr" || fail "no diagnostic for line 101"
snap
broken=$shot
[ "$(differ "$metal" "$broken" $world)" -lt 100 ] || fail "the world changed on a broken save"
[ "$(differ "$metal" "$broken" $note)" -gt 200 ] || fail "no error line under the read-out"

cp "$work/brick.dnmap" "$map"
wait_for_stderr 'reloaded in' 2
snap
[ "$(differ "$brick" "$shot" $world)" -lt 100 ] || fail "the good save did not bring the brick wall back"
[ "$(differ "$brick" "$shot" $note)" -lt 50 ] || fail "the error line stayed after a good save"

# A texture file saved: only that file is read again, and the wall shows it.
cp "$game/Textures/metal.png" "$work/save.png" && mv "$work/save.png" "$game/Textures/brick.png"
wait_for_stderr 'reloaded in' 3
grep 'reloaded in' "$work/stderr" | tail -1 | grep -q '(1 texture file read)' || fail "$(tail -1 "$work/stderr")"
snap
[ "$(differ "$brick" "$shot" $world)" -gt 20000 ] || fail "the wall did not take the saved texture"
quit_game "$window"
[ "$game_status" -eq 0 ] || fail "play ended with status $game_status"
grep -qx '96.5 24.5 -15 180 0' "$work/stdout" || fail "play printed: $(cat "$work/stdout")"
echo "ok"
