#!/usr/bin/env bash
# dunmere-tool shot loads a map and its textures through the real loaders: a texture file of
# 0 bytes, a PNG that declares 100000 x 100000 pixels and a map that is a folder each end it
# with status 1 and a message naming the file, and no picture is written.
source "$(dirname "$0")/lib.sh" "$1"
tool="$work/game/dunmere-tool"
bad="$work/bad"
mkdir -p "$bad/Textures" "$bad/folder.dnmap"
: >"$bad/Textures/empty.png"
# The signature, an IHDR chunk of 100000 x 100000 RGBA pixels and the closing IEND chunk.
printf '\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\x01\x86\xa0\0\x01\x86\xa0\x08\x06\0\0\0\0\0\0\0\0\0\0\0IEND\xaeB`\x82' \
    >"$bad/Textures/huge.png"

shot() {
    set +e
    "$tool" shot "$1" "$work/out.png" --eye 0 0 -15 --yaw 0 --pitch 0 --size 320x240 2>"$work/stderr"
    status=$?
    set -e
    [ "$status" -eq 1 ] || fail "$1 gave status $status"
    grep -q -F -- "$2" "$work/stderr" || fail "the message for $1 lacks: $2"
    [ ! -e "$work/out.png" ] || fail "$1 gave a picture"
}

for texture in empty huge; do
    printf 'TEXTURE,1,"%s.png"\r\nFLOOR,-9,-9,9,-9,9,9,0,1,0,0,1,0,1,1\r\n' "$texture" >"$bad/$texture.dnmap"
done
shot "$bad/empty.dnmap" "Textures/empty.png: the file is empty"
shot "$bad/huge.dnmap" "Textures/huge.png: the picture is 100000 x 100000 pixels"
shot "$bad/folder.dnmap" "folder.dnmap: it is a folder"
echo "ok"
