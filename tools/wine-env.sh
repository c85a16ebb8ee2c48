# Sourced by the project's scripts and by hand: the Wine settings of the build tree.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export PARCELON_BUILD=${PARCELON_BUILD:-$root/build}
export WINEPREFIX=${WINEPREFIX:-$PARCELON_BUILD/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
