#!/usr/bin/env bash
# Runs the whole suite of each given build (x86, x64) under Wine, with an X server for
# the dialogs and message boxes. Exits non-zero when any test fails.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
: "${WINEPREFIX:?}"

display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    kill "$xvfb" >/dev/null 2>&1 || true
}
trap cleanup EXIT
sleep 1
# No persistent wineserver: Wine's desktop process would inherit the first test's output
# pipe and keep ctest waiting for as long as the server lives.

status=0
for target in "$@"; do
    echo "== tests of the $target build"
    (cd "${PARCELON_BUILD:-$root/build}/$target" && ctest --output-on-failure --timeout 600) || status=1
done
exit $status
