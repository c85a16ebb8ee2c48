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
    # Exactly 1 for no, also where wine32 could not be installed and the loader is missing.
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
    local bits
    bits=$(parcelon_pe_bits "$1")
    if [ "$bits" = 32 ] || { [ -z "$bits" ] && parcelon_runs_win32; }; then
        if ! parcelon_runs_win32; then
            echo "wine: $1 is a 32-bit program, and this machine cannot execute 32-bit programs" >&2
            return 126
        fi
        LC_ALL=C.UTF-8 "$WINE32_LOADER" "$@"
    else
        LC_ALL=C.UTF-8 WINELOADER=$WINE64_LOADER "$WINE64_LOADER" "$@"
    fi
}

# Ends the prefix's server (and every program still running in it).
parcelon_wine_stop() { wineserver -k >/dev/null 2>&1 || true; }

# Waits until every program of the prefix has ended.
parcelon_wine_wait() { wineserver -w >/dev/null 2>&1 || true; }

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
