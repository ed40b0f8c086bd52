#!/usr/bin/env bash
# Runs a fuzz target over its committed corpus: run.sh PROGRAM [libFuzzer options...]
# PROGRAM is fuzz_NAME; its seeds are corpus/NAME beside this script, its dictionary NAME.dict.
# New inputs go to FUZZ_CORPUS when set (a campaign keeps them there), else to a temporary
# folder that is removed afterwards; crashing inputs go to FUZZ_ARTIFACTS (default: the current
# folder).
set -euo pipefail
program=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
name=$(basename "$program")
name=${name#fuzz_}

found=${FUZZ_CORPUS:-}
if [ -z "$found" ]; then
    found=$(mktemp -d)
    trap 'rm -rf "$found"' EXIT
fi
mkdir -p "$found"
# Each input is written to the target's program folder (the settings are even written through to
# the disk): on a RAM disk when there is one, so the disk does not set the pace.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi
# Leaks inside libraries that are theirs to keep (tests/lsan.supp says which).
export LSAN_OPTIONS="suppressions=$here/../lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
options=(-timeout=30 -rss_limit_mb=2560 -print_final_stats=1 "-artifact_prefix=${FUZZ_ARTIFACTS:-.}/")
if [ -f "$here/$name.dict" ]; then
    options+=("-dict=$here/$name.dict")
fi
"$program" "${options[@]}" "$@" "$found" "$here/corpus/$name"
