#!/usr/bin/env bash
# Runs the whole suite of each given build (x86, x64) under Wine, with an X server for
# the dialogs and message boxes. The x86 suite runs with the system's Wine where it has its
# 32-bit part, else in the private root that tools/setup.sh makes (tools/x86-root.sh);
# only where the kernel cannot execute 32-bit programs at all does the x86 build get its
# static checks alone, and a line says so. The last lines name every test that passed
# only on its second run. Exits non-zero when any test that ran failed.
#   tools/run-tests.sh TARGET...
#   tools/run-tests.sh --suite BUILD LOG   (one build's suite, X server given; the root uses it)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-env.sh"
source "$root/tools/x86-root.sh"

# One server per prefix for the whole run (see parcelon_wine_persists): the prefixes that
# got one are listed, so that their servers end with the run. PARCELON_WINE_PERSIST=0 keeps
# Debian's default, a server that ends with the prefix's last program.
export PARCELON_WINE_PERSIST=${PARCELON_WINE_PERSIST:-1}

# run_suite BUILD LOG: ctest over one build, its output also in LOG. A test that fails is
# run once more, its first failure shown: a test that fails both times fails the suite,
# one that passed on its second run is named at the end.
run_suite() {
    local build=$1 log=$2
    export PARCELON_WINE_SESSIONS="$build/wine-sessions"
    : >"$PARCELON_WINE_SESSIONS"
    (cd "$build" && ctest --output-on-failure --timeout 600 --repeat until-pass:2) 2>&1 | tee "$log"
    local status=${PIPESTATUS[0]}
    stop_sessions "$PARCELON_WINE_SESSIONS"
    return "$status"
}

# stop_sessions LIST: ends the servers of the prefixes in LIST.
stop_sessions() {
    local prefix
    sort -u "$1" 2>/dev/null | while read -r prefix; do
        [ -n "$prefix" ] && WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
    done
    true
}

# second_runs LOG: the tests of LOG that failed and then passed.
second_runs() {
    awk '/Test +#[0-9]+: / {
             match($0, /#[0-9]+: [^ ]+/)
             name = substr($0, RSTART, RLENGTH); sub(/^#[0-9]+: /, "", name)
             runs[name]++
             if ($0 ~ / Passed /) passed[name] = 1
         }
         END { for (n in runs) if (runs[n] > 1 && passed[n]) print n }' "$1" | sort
}

if [ "${1:-}" = --suite ]; then
    run_suite "$2" "$3"
    exit $?
fi

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

status=0
notes=()
retried=()
for target in "$@"; do
    build="$PARCELON_BUILD/$target"
    log="$build/suite.log"
    if [ "$target" = x86 ] && ! parcelon_runs_win32; then
        # Asked first, and cheap: where the kernel runs no 32-bit program nothing else is tried.
        if ! parcelon_kernel_runs_32bit; then
            echo "== static checks of the x86 build"
            (cd "$build" && ctest --output-on-failure -L static) || status=1
            notes+=("x86 suite not run: this machine's kernel cannot execute 32-bit programs; the x86 build got its static checks alone")
            continue
        fi
        if ! parcelon_x86_root_ready; then
            echo "== the x86 suite cannot run: the system's Wine has no 32-bit part and the x86 root is missing (tools/setup.sh makes it)"
            notes+=("x86 suite not run: no x86 root at $PARCELON_X86_ROOT")
            status=1
            continue
        fi
        echo "== tests of the x86 build, in the x86 root $PARCELON_X86_ROOT (the system's Wine has no 32-bit part)"
        # The root's Wine has a server of its own: the system's must not hold the prefix meanwhile.
        parcelon_wine_stop
        parcelon_x86_root_run "$root" "$PARCELON_BUILD" \
            env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$PARCELON_BUILD/x86-root-home" LANG=C.UTF-8 \
            DISPLAY="$DISPLAY" PARCELON_BUILD="$PARCELON_BUILD" WINEPREFIX="$WINEPREFIX" WINEDEBUG="$WINEDEBUG" \
            WINEDLLOVERRIDES="$WINEDLLOVERRIDES" \
            bash -c 'mkdir -p "$HOME" && exec bash "$0" --suite "$1" "$2"' "$root/tools/run-tests.sh" "$build" "$log" ||
            status=1
        notes+=("x86 suite: run in the x86 root $PARCELON_X86_ROOT")
    else
        echo "== tests of the $target build"
        run_suite "$build" "$log" || status=1
        [ "$target" != x86 ] || notes+=("x86 suite: run with the system's Wine")
    fi
    while read -r name; do [ -z "$name" ] || retried+=("$name"); done < <(second_runs "$log")
done
for line in "${notes[@]}"; do echo "$line"; done
if [ ${#retried[@]} -eq 0 ]; then
    echo "second runs: none"
else
    echo "second runs: ${#retried[@]} test(s) passed only when run again: ${retried[*]}"
fi
exit $status
