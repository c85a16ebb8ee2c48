#!/usr/bin/env bash
# Runs the whole suite of each given build (x86, x64) under Wine, with an X server for
# the dialogs and message boxes. Where 32-bit programs cannot run, the x86 build gets only
# its static checks, and a line says so. Exits non-zero when any test that ran failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-env.sh"

# PARCELON_TEST_DISPLAY picks the display number where several runs share a machine.
display=${PARCELON_TEST_DISPLAY:-:$((90 + RANDOM % 400))}
# As large as a laptop's screen run at 200 percent, so the windows tested at 192 DPI fit.
Xvfb "$display" -screen 0 2560x1600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
cleanup() {
    parcelon_host_windows_managed
    parcelon_wine_stop
    kill "$xvfb" >/dev/null 2>&1 || true
}
trap cleanup EXIT
sleep 1
parcelon_host_windows_unmanaged
# No persistent wineserver: Wine's desktop process would inherit the first test's output
# pipe and keep ctest waiting for as long as the server lives.

status=0
not_run=()
for target in "$@"; do
    build="$PARCELON_BUILD/$target"
    if [ "$target" = x86 ] && ! parcelon_runs_win32; then
        echo "== static checks of the x86 build"
        (cd "$build" && ctest --output-on-failure -L static) || status=1
        not_run+=("x86 suite not run: this machine cannot execute 32-bit programs")
        continue
    fi
    echo "== tests of the $target build"
    # A test that fails is run once more, its first failure shown: Wine's window and
    # process handling on a loaded machine makes a rare run of a GUI test fail that passes
    # alone. A test that fails both times fails the suite.
    (cd "$build" && ctest --output-on-failure --timeout 600 --repeat until-pass:2) || status=1
done
for line in "${not_run[@]}"; do echo "$line"; done
exit $status
