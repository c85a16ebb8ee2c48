#!/usr/bin/env bash
# Registers the freshly built Parcelon.dll in the prefix, then has parcelon-host of the
# given build (playing Outlook 16.0) load it from the registry and its robot pack the sample
# folder (or the given Windows paths) through the ribbon button "Parcelon" into a message;
# the archive in it is checked with Info-ZIP's unzip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-env.sh"
target=${1:?target (x86 or x64)}
shift
if [ "$target" = x86 ]; then
    echo "demo: the x86 build (32-bit programs run here)"
else
    echo "demo: the x64 build (this machine cannot execute 32-bit programs, or PARCELON_NO_WIN32=1)"
fi
# The compose window and the dialog are real windows: they need an X server.
parcelon_ensure_display
out_dir="$PARCELON_BUILD/demo"
mkdir -p "$out_dir"
rm -f "$out_dir"/message.eml "$out_dir"/attach.zip
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
args=()
if [ $# -eq 0 ]; then
    args+=(--attach "$(winpath "$root/samples/Project Files")")
else
    for p in "$@"; do args+=(--attach "$p"); done
fi
dll="$PARCELON_BUILD/$target/server/Parcelon.dll"
echo "demo: registering $(winpath "$dll")"
parcelon_regsvr32 "$dll" /s
parcelon_wine "$PARCELON_BUILD/$target/host/parcelon-host.exe" compose "${args[@]}" --out "$(winpath "$out_dir/message.eml")"
python3 "$root/tools/eml-attachments.py" "$out_dir/message.eml" "$out_dir"
if [ -f "$out_dir/attach.zip" ]; then
    LANG=C.UTF-8 unzip -t "$out_dir/attach.zip"
fi
parcelon_wine_wait
