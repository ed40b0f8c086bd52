#!/usr/bin/env bash
# The Debian package unpacked into a root that takes no writes, its game run by a user whose home
# is empty: the first-run message, "Go!" by the keyboard, a walk, F12 and Escape leave the
# settings, the log and the screenshot in the user's folders and nothing under the root. Its
# dunmere-tool writes nothing beside itself either.
# Usage: package_keeps_the_players_files_at_home.sh RUNTIME_DIR PACKAGE.deb
source "$(dirname "$0")/lib.sh" "$1"
export DUNMERE_NO_MESSAGE_BOXES=1
unset XDG_CONFIG_HOME XDG_STATE_HOME XDG_DATA_HOME
trap 'chmod -R u+w "$work"; cleanup' EXIT
run_as_nobody_when_root
root="$work/root"
dpkg-deb -x "$2" "$root"
chmod -R a-w "$root"
find "$root" -printf '%p %s %T@ %m\n' | sort >"$work/root-before"
home="$work/home"
mkdir -m 700 "$home"
[ "$(id -u)" -eq 0 ] && chown nobody:nogroup "$home"
export HOME="$home"
start_game() {
    (cd "$home" && exec "${run_as[@]}" "$root/usr/games/dunmere" >"$work/stdout" 2>"$work/stderr") &
    game_pid=$!
}

start_game
window=$(pass_launcher)
grep -q "Either this is the first time you have run this game" "$work/stderr" || fail "no first-run message"
xdotool windowfocus --sync "$window"
xdotool keydown Up
sleep 0.5
xdotool keyup Up
shots="$home/.local/share/dunmere/screenshots"
for _ in $(seq 1 25); do
    xdotool key F12
    sleep 0.2
    [ -f "$shots/screenshot-0001.png" ] && break
done
quit_game "$window"
[ "$game_status" -eq 0 ] || fail "exit status $game_status"

[ "$(cat "$home/.config/dunmere/CONFIG.CFG")" = $'640,480,16,0\r' ] || fail "no CONFIG.CFG in ~/.config/dunmere"
log="$home/.local/state/dunmere/Log.txt"
[ -f "$log" ] || fail "no Log.txt in ~/.local/state/dunmere"
grep -q -F "The program's folder takes no files: settings in $home/.config/dunmere, log in $home/.local/state/dunmere, screenshots in $shots" "$log" ||
    fail "the log does not say where the files go"
grep -q "Saved screenshot screenshot-0001.png" "$log" || fail "the log does not name the screenshot"
[ "$(identify -format '%wx%h' "$shots/screenshot-0001.png")" = "640x480" ] || fail "no 640x480 screenshot"
[ "$(stat -c %a "$home/.config" "$home/.local/state/dunmere")" = $'700\n700' ] || fail "the user's folders are open to others"

(cd "$home" && "${run_as[@]}" "$root/usr/games/dunmere-tool" check --quiet "$root/usr/lib/games/dunmere/e1m1-double.dnmap") ||
    fail "dunmere-tool check failed on the shipped map"
find "$root" -printf '%p %s %T@ %m\n' | sort | diff "$work/root-before" - || fail "something was written under the root"
echo "ok"
