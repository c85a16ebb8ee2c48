#!/usr/bin/env bash
# Builds Parcelon's MSI package from installer/Parcelon.wxs with wixl: a 64-bit package that
# installs both DLLs for every user of the machine.
#   tools/build-msi.sh VERSION X86_DLL X64_DLL OUTFILE
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 4 ] || { echo "usage: $0 VERSION X86_DLL X64_DLL OUTFILE" >&2; exit 2; }
# wixl finds a source file by a path relative to the working folder, not by an absolute one.
relative() { realpath --relative-to="$PWD" "$1"; }
wixl --arch x64 -D Version="$1" -D X86Dll="$(relative "$2")" -D X64Dll="$(relative "$3")" -o "$4" \
    "$root/installer/Parcelon.wxs"
