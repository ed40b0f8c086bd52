#!/usr/bin/env bash
# check without a map and plan with a size below its least both end with status 2.
source "$(dirname "$0")/lib.sh" "$1"
tool="$work/game/dunmere-tool"
map="$(dirname "$0")/../../assets/e1m1-double.dnmap"
set +e
"$tool" check
check_status=$?
(cd "$work" && "$tool" plan "$map" out.png --size 5)
plan_status=$?
set -e
[ "$check_status" -eq 2 ] || fail "check without a map gave status $check_status"
[ "$plan_status" -eq 2 ] || fail "plan --size 5 gave status $plan_status"
echo "ok"
