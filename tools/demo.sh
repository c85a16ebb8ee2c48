#!/usr/bin/env bash
# Packs the sample folder (or the given Windows paths) into a message with parcelon-host,
# then checks the archive in it with Info-ZIP's unzip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build folder}
shift
out_dir="${PARCELON_BUILD:-$root/build}/demo"
mkdir -p "$out_dir"
rm -f "$out_dir"/message.eml "$out_dir"/attach.zip
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
args=()
if [ $# -eq 0 ]; then
    args+=(--attach "$(winpath "$root/samples/Project Files")")
else
    for p in "$@"; do args+=(--attach "$p"); done
fi
# Wine takes the arguments in the locale's encoding: UTF-8, so that any path comes through.
LC_ALL=C.UTF-8 wine "$build/host/parcelon-host.exe" compose "${args[@]}" --out "$(winpath "$out_dir/message.eml")"
python3 "$root/tools/eml-attachments.py" "$out_dir/message.eml" "$out_dir"
if [ -f "$out_dir/attach.zip" ]; then
    LANG=C.UTF-8 unzip -t "$out_dir/attach.zip"
fi
wineserver -w
