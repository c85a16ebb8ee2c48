#!/usr/bin/env bash
# Builds Parcelon's MSI package from installer/Parcelon.wxs with wixl: a 64-bit package that
# installs both DLLs and ParcelonSend.exe for every user of the machine.
#   tools/build-msi.sh VERSION X86_DLL X64_DLL SEND_EXE OUTFILE
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 5 ] || { echo "usage: $0 VERSION X86_DLL X64_DLL SEND_EXE OUTFILE" >&2; exit 2; }
# wixl finds a source file by a path relative to the working folder, not by an absolute one.
relative() { realpath --relative-to="$PWD" "$1"; }
wixl --arch x64 -D Version="$1" -D X86Dll="$(relative "$2")" -D X64Dll="$(relative "$3")" \
    -D SendExe="$(relative "$4")" -o "$5" \
    "$root/installer/Parcelon.wxs"
