# Sourced by every script that starts Wine: the build tree's Wine settings, and the one
# place that decides how a Windows program is started on this machine.
#
# Some machines cannot execute 32-bit Linux programs, and Debian's `wine` command always
# goes through Wine's 32-bit loader. There only the 64-bit loader, called directly, runs
# (64-bit) Windows programs. PARCELON_NO_WIN32=1 takes that path on any machine.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export PARCELON_BUILD=${PARCELON_BUILD:-$root/build}
export WINEPREFIX=${WINEPREFIX:-$PARCELON_BUILD/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64

# True when 32-bit Windows programs can run here.
parcelon_runs_win32() {
    [ "${PARCELON_NO_WIN32:-0}" != 1 ] && "$WINE32_LOADER" --version >/dev/null 2>&1 || return 1
}

# 32 or 64 for a PE file; empty for anything else (a built-in program such as regsvr32).
parcelon_pe_bits() {
    [ -f "$1" ] || return 0
    local pe_offset machine
    pe_offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$pe_offset" ] || return 0
    machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
    case "$machine" in
        8664) echo 64 ;;
        014c) echo 32 ;;
    esac
}

# Runs a Windows program (a file, or a built-in such as regsvr32, reg, wineboot) with
# the loader of its bitness. A built-in runs in its 64-bit form where 32-bit programs
# cannot run. Wine decodes the command line in the locale's encoding: UTF-8, so that a
# path with any name comes through (the prefix's ANSI code page stays 1252).
parcelon_wine() {
    ! parcelon_wine_persists || parcelon_wine_session_start
    parcelon_wine_launch "$@"
}

# A Windows program starts with the address space laid out the same every time (setarch -R,
# which the programs it starts inherit). Laid out at random, now and then something of the
# process's own already lies where Wine puts the shared user data: the program ends before it
# begins, exit code 1, and under WINEDEBUG=-all without a word ("failed to map the shared user
# data: c0000018"), about one start in a thousand while the machine is busy.
parcelon_wine_launch() {
    local bits fixed_layout=(setarch "$(uname -m)" --addr-no-randomize)
    bits=$(parcelon_pe_bits "$1")
    if [ "$bits" = 32 ] || { [ -z "$bits" ] && parcelon_runs_win32; }; then
        if ! parcelon_runs_win32; then
            echo "wine: $1 is a 32-bit program, and this machine cannot execute 32-bit programs" >&2
            return 126
        fi
        LC_ALL=C.UTF-8 "${fixed_layout[@]}" "$WINE32_LOADER" "$@"
    else
        LC_ALL=C.UTF-8 WINELOADER=$WINE64_LOADER "${fixed_layout[@]}" "$WINE64_LOADER" "$@"
    fi
}

# Debian's wineserver runs with -p0: it ends as soon as the last program of the prefix has
# ended, and a program that starts while it is ending is ended with it, exit code 1 and
# not a word. A run of many programs (PARCELON_WINE_PERSIST=1) keeps one server
# per prefix instead, started before the prefix's first program and ended by
# parcelon_wine_stop; a program after that starts it again.
parcelon_wine_persists() { [ "${PARCELON_WINE_PERSIST:-0}" = 1 ]; }

# Starts the prefix's persistent server unless one runs. The programs that live as long as
# the server (the services and the desktop) start here too, holding none of anyone's
# output: started by a test, they would keep its output pipe open, and ctest waiting, for
# the server's whole life. PARCELON_WINE_SESSIONS names a file that lists the prefixes.
parcelon_wine_session_start() {
    # Exit code 2: a server runs already.
    wineserver -p </dev/null >/dev/null 2>&1 || return 0
    [ -z "${PARCELON_WINE_SESSIONS:-}" ] || echo "$WINEPREFIX" >>"$PARCELON_WINE_SESSIONS"
    parcelon_wine_launch reg query 'HKCU\Software' </dev/null >/dev/null 2>&1
    parcelon_wine_launch explorer.exe /desktop </dev/null >/dev/null 2>&1 &
    # Up in a few seconds; other prefixes of the machine have desktops of their own.
    local pid
    for _ in $(seq 1 30); do
        for pid in $(pgrep -u "$(id -u)" -f 'explorer.exe /desktop'); do
            tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
        done
        sleep 1
    done
}

# Makes the (new, empty) prefix. Wine makes a missing prefix as its first program starts;
# wineboot -i, run into a persistent server's prefix, would start a second set of services
# that holds its caller's output, so there the server's own start makes it.
parcelon_wine_prefix_init() {
    if parcelon_wine_persists; then
        parcelon_wine_session_start
    else
        parcelon_wine_launch wineboot -i
    fi
}

# The process ids of the prefix's programs, the server's own lasting ones left out.
parcelon_wine_programs() {
    local pid exe command
    for pid in $(pgrep -u "$(id -u)" .); do
        exe=$(readlink "/proc/$pid/exe" 2>/dev/null) || continue
        case "$exe" in */wine | */wine64 | */wine-preloader | */wine64-preloader) ;; *) continue ;; esac
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
        command=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)
        case "$command" in
            *'\services.exe'* | *'\winedevice.exe'* | *'\plugplay.exe'* | *'\svchost.exe'* | *'\rpcss.exe'* | \
                *'explorer.exe /desktop'* | 'start.exe /exec explorer.exe'*) continue ;;
        esac
        echo "$pid"
    done
}

# Ends the prefix's server (and every program still running in it).
parcelon_wine_stop() { wineserver -k >/dev/null 2>&1 || true; }

# Waits until every program of the prefix has ended: a persistent server stays.
parcelon_wine_wait() {
    if parcelon_wine_persists; then
        while [ -n "$(parcelon_wine_programs)" ]; do sleep 0.5; done
    else
        wineserver -w >/dev/null 2>&1 || true
    fi
}

# The build whose programs run here: x86 where 32-bit programs run, else x64.
parcelon_demo_target() {
    if parcelon_runs_win32; then echo x86; else echo x64; fi
}

# Wine waits up to 2 s for a window manager to withdraw each top-level window that is
# hidden or destroyed. On an X server without one (Xvfb) parcelon-host's windows are left
# unmanaged, so that its compose window and dialogs come and go at once; a person's desktop
# keeps them managed.
PARCELON_HOST_X11_KEY='HKCU\Software\Wine\AppDefaults\parcelon-host.exe\X11 Driver'
parcelon_host_windows_unmanaged() {
    parcelon_wine reg add "$PARCELON_HOST_X11_KEY" /v Managed /d N /f >/dev/null 2>&1 || true
}
parcelon_host_windows_managed() {
    parcelon_wine reg delete "$PARCELON_HOST_X11_KEY" /f >/dev/null 2>&1 || true
}

# Starts an X server (without window manager) for the windows of the programs when none
# is set (DISPLAY unset); stops the prefix's programs and the server when the calling
# script exits.
parcelon_ensure_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    export DISPLAY=:$((500 + RANDOM % 400))
    Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    PARCELON_XVFB=$!
    trap 'parcelon_host_windows_managed; parcelon_wine_stop; kill $PARCELON_XVFB >/dev/null 2>&1 || true' EXIT
    sleep 1
    parcelon_host_windows_unmanaged
}

# Registers (or with /u unregisters) a DLL with the regsvr32 of the DLL's own bitness:
# in the prefix, system32 holds the 64-bit one and syswow64 the 32-bit one.
#   parcelon_regsvr32 LINUX_PATH_OF_DLL [/u] [/s]
parcelon_regsvr32() {
    local dll=$1 system=syswow64
    shift
    [ "$(parcelon_pe_bits "$dll")" = 64 ] && system=system32
    parcelon_wine "$WINEPREFIX/drive_c/windows/$system/regsvr32.exe" "$@" "Z:$(echo "$dll" | tr / '\\')"
}
