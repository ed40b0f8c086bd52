#!/usr/bin/env bash
# The program's layers, read from the #include lines of its source files. Fails, naming each
# offending line as "FILE: #include ...  (the rule it breaks)", when
#   game/ includes launcher/ or Qt;
#   launcher/ includes game/;
#   world/ includes game/ or launcher/;
#   framework/, outside its back ends gl/, sdl/ and scripted/, includes game/, launcher/ or world/,
#     or a toolkit's or the platform's headers (SDL, OpenGL or epoxy, Qt, Cairo, Assimp);
#   anything but the executable's entry (app/) and the launcher's window (launcher/qt/) includes
#     Qt (<QApplication>, <QtWidgets/QWidget>, ...).
# The tests are left out: the launcher's window is tested through Qt's own test library.
# Usage: include_graph.sh SOURCE_ROOT
set -euo pipefail
root=${1:?usage: include_graph.sh SOURCE_ROOT}
cd "$root"

qt='^(Q[A-Za-z]|Qt[A-Za-z]*/)'
toolkit='^(SDL|GL/|GLES|EGL/|epoxy/|cairo|assimp/)'

# Sets rule to the rule that FILE including HEADER (as written between its <> or "") breaks, or
# to nothing.
broken_rule() {
    local file=$1 header=$2
    rule=""
    case $file in
    game/*)
        [[ $header == launcher/* ]] && { rule="game/ includes launcher/"; return; }
        [[ $header =~ $qt ]] && { rule="game/ includes Qt"; return; }
        ;;
    launcher/*)
        [[ $header == game/* ]] && { rule="launcher/ includes game/"; return; }
        ;;
    world/*)
        [[ $header == game/* || $header == launcher/* ]] && { rule="world/ includes ${header%%/*}/"; return; }
        ;;
    framework/gl/* | framework/sdl/* | framework/scripted/*) ;;
    framework/*)
        [[ $header == game/* || $header == launcher/* || $header == world/* ]] &&
            { rule="framework/ includes ${header%%/*}/"; return; }
        [[ $header =~ $toolkit || $header =~ $qt ]] &&
            { rule="framework/ outside its back ends includes a toolkit's header"; return; }
        ;;
    esac
    case $file in
    app/* | launcher/qt/*) ;;
    *) [[ $header =~ $qt ]] && { rule="Qt outside app/ and launcher/qt/"; return; } ;;
    esac
    return 0
}

include='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]*)[>"]'
files=0
offences=0
while IFS= read -r -d '' path; do
    file=${path#./}
    files=$((files + 1))
    while IFS= read -r line; do
        [[ $line =~ $include ]] || continue
        broken_rule "$file" "${BASH_REMATCH[1]}"
        if [ -n "$rule" ]; then
            echo "$file: ${line#"${line%%[![:space:]]*}"}  ($rule)"
            offences=$((offences + 1))
        fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include' "$path" || true)
done < <(find . \( -path ./tests -o -path './build*' -o -path ./.git \) -prune -o -type f \
    \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) -print0 | sort -z)

[ "$files" -gt 0 ] || { echo "include_graph.sh: no source files under $root" >&2; exit 2; }
if [ "$offences" -gt 0 ]; then
    echo "$offences #include line(s) cross the program's layers" >&2
    exit 1
fi
echo "$files files: no #include crosses the program's layers"
