#!/usr/bin/env bash
# Packs the benchmark tree with Parcelon's zip writer (under Wine) and with Info-ZIP
# `zip -r -6` (native) in the same run, measures the writer's peak memory for a 1 GB and a
# 1 MB file, and times the dialog's folder browser list over a folder of 10,000 files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-env.sh"
target=${1:?target (x86 or x64)}
build="$PARCELON_BUILD/$target"
echo "bench: the $target build"
work="$WINEPREFIX/drive_c/parcelon-bench"
mkdir -p "$work"
python3 "$root/tools/make-bench-tree.py" "$work/tree"
[ -f "$work/one-gb.bin" ] || truncate -s 1G "$work/one-gb.bin"
[ -f "$work/one-mb.bin" ] || head -c 1048576 /dev/urandom > "$work/one-mb.bin"
rm -f "$work"/*.zip

tree_bytes=$(du -sb --exclude=.complete "$work/tree" | cut -f1)
bench() { parcelon_wine "$build/bench/zip-bench.exe" "$@"; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }

start=$(date +%s.%N)
ours=$(bench 'C:\parcelon-bench\tree' 'C:\parcelon-bench\ours.zip')
end=$(date +%s.%N)
ours_wall=$(echo "$start $end" | awk '{printf "%.3f", $2 - $1}')  # with the program's start and end
start=$(date +%s.%N)
(cd "$work" && zip -r -6 -q theirs.zip tree -x tree/.complete)
end=$(date +%s.%N)
ours_s=$(echo "$ours" | field seconds)
theirs_s=$(echo "$start $end" | awk '{printf "%.3f", $2 - $1}')
ours_bytes=$(stat -c %s "$work/ours.zip")
theirs_bytes=$(stat -c %s "$work/theirs.zip")
# The whole path through parcelon-host on the same tree: what the host adds to the writer.
parcelon_ensure_display
parcelon_regsvr32 "$build/server/Parcelon.dll" /s
start=$(date +%s.%N)
parcelon_wine "$build/host/parcelon-host.exe" compose --attach 'C:\parcelon-bench\tree' \
    --out 'C:\parcelon-bench\message.eml' >/dev/null
end=$(date +%s.%N)
host_s=$(echo "$start $end" | awk '{printf "%.3f", $2 - $1}')
parcelon_regsvr32 "$build/server/Parcelon.dll" /u /s
rm -f "$work/message.eml"
big=$(bench 'C:\parcelon-bench\one-gb.bin' 'C:\parcelon-bench\one-gb.zip')
small=$(bench 'C:\parcelon-bench\one-mb.bin' 'C:\parcelon-bench\one-mb.zip')

echo "tree: $(echo "$ours" | field files) files, $tree_bytes bytes"
echo "parcelon writer: ${ours_s} s, archive $ours_bytes bytes"
echo "info-zip zip -6: ${theirs_s} s, archive $theirs_bytes bytes"
awk -v h="$host_s" -v w="$ours_wall" \
    'BEGIN {printf "parcelon-host compose (add-in loaded, button, archive attached, .eml written): %.3f s; the writer'"'"'s program from start to end: %.3f s; the host adds %.0f%%\n", h, w, (h - w) * 100 / w}'
awk -v a="$ours_s" -v b="$theirs_s" -v c="$ours_bytes" -v d="$theirs_bytes" \
    'BEGIN {printf "ratio (parcelon / zip): time %.2f, size %.4f\n", a / b, c / d}'
echo "peak working set packing 1 GB: $(echo "$big" | field peak_working_set) bytes (private $(echo "$big" | field peak_private))"
echo "peak working set packing 1 MB: $(echo "$small" | field peak_working_set) bytes (private $(echo "$small" | field peak_private))"
rm -f "$work"/*.zip
# A list view needs an X display; the server of the prefix ends before the display does.
listing=$(xvfb-run -a sh -c "'$root/tools/wine-run' '$build/bench/list-folder-bench.exe' 'C:\\parcelon-bench\\ten-thousand' 10000; wineserver -w")
echo "folder browser list, 10,000 files sorted with the drives: $(echo "$listing" | field rows) rows in $(echo "$listing" | field seconds) s"
