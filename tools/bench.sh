#!/usr/bin/env bash
# Packs the benchmark tree with `parcelon-host pack` (under Wine) and with Info-ZIP
# `zip -r -6` (native), alternating three times, with every core and with one worker; packs
# one 200 MB text file both ways; prints the peak memory of packing a 1 GB file against a
# 1 MB file; and times the dialog's folder browser list over a folder of 10,000 files.
# Figures only: nothing here passes or fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-env.sh"
target=${1:?target (x86 or x64)}
build="$PARCELON_BUILD/$target"
host="$build/host/parcelon-host.exe"
echo "bench: the $target build, $(nproc) processors, load average $(cut -d' ' -f1-3 /proc/loadavg)"
work="$WINEPREFIX/drive_c/parcelon-bench"
mkdir -p "$work"
python3 "$root/tools/make-bench-tree.py" "$work/tree"
python3 "$root/tools/make-bench-tree.py" --single "$work/single-200mb.txt"
python3 "$root/tools/make-bench-tree.py" --many "$work/many-files" 50000
[ -f "$work/one-gb.bin" ] || truncate -s 1G "$work/one-gb.bin"
[ -f "$work/one-mb.bin" ] || head -c 1048576 /dev/urandom > "$work/one-mb.bin"
rm -f "$work"/*.zip
# The timed runs find the prefix's server running, as an add-in finds it running inside
# Outlook: the whole command is then the program's own start-up and the packing.
wineserver -p >/dev/null 2>&1 || true
parcelon_wine "$host" >/dev/null 2>&1 || true
start=$(date +%s.%N)
parcelon_wine "$host" >/dev/null 2>&1 || true
echo "start-up of parcelon-host with the server running: $(echo "$start $(date +%s.%N)" | awk '{printf "%.3f", $2 - $1}') s"

now() { date +%s.%N; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }
size() { stat -c %s "$1"; }
median() { sort -g | sed -n 2p; }

# pack LABEL WINDOWS_SOURCE [ARGS...]: wall time of parcelon-host pack, then of zip.
compare() {
    local label=$1 source=$2 unix_source=$3; shift 3
    local ratios=() walls=() i ours_wall ours_packing theirs out start
    for i in 1 2 3; do
        rm -f "$work/ours.zip" "$work/theirs.zip"
        start=$(now)
        out=$(parcelon_wine "$host" pack --out 'C:\parcelon-bench\ours.zip' --stats "$@" "$source")
        ours_wall=$(echo "$start $(now)" | awk '{printf "%.3f", $2 - $1}')
        ours_packing=$(echo "$out" | field seconds)
        start=$(now)
        (cd "$(dirname "$unix_source")" && zip -r -6 -q "$work/theirs.zip" "$(basename "$unix_source")" -x '*/.complete')
        theirs=$(echo "$start $(now)" | awk '{printf "%.3f", $2 - $1}')
        printf '  %s run %d: parcelon %s s (packing %s s), zip -6 %s s; archives %s and %s bytes\n' "$label" "$i" \
            "$ours_wall" "$ours_packing" "$theirs" "$(size "$work/ours.zip")" "$(size "$work/theirs.zip")"
        ratios+=("$(awk -v a="$ours_wall" -v b="$theirs" 'BEGIN {printf "%.3f", a / b}')")
        walls+=("$(awk -v a="$ours_packing" -v b="$theirs" 'BEGIN {printf "%.3f", a / b}')")
    done
    printf '%s: median ratio parcelon / zip %s (packing time alone %s); size ratio %s\n' "$label" \
        "$(printf '%s\n' "${ratios[@]}" | median)" "$(printf '%s\n' "${walls[@]}" | median)" \
        "$(awk -v a="$(size "$work/ours.zip")" -v b="$(size "$work/theirs.zip")" 'BEGIN {printf "%.4f", a / b}')"
}

echo "tree: $(find "$work/tree" -type f ! -name .complete | wc -l) files, $(du -sb --exclude=.complete "$work/tree" | cut -f1) bytes"
compare "tree, all cores" 'C:\parcelon-bench\tree' "$work/tree"
compare "tree, one worker" 'C:\parcelon-bench\tree' "$work/tree" --threads 1
compare "200 MB file, all cores" 'C:\parcelon-bench\single-200mb.txt' "$work/single-200mb.txt"
compare "200 MB file, one worker" 'C:\parcelon-bench\single-200mb.txt' "$work/single-200mb.txt" --threads 1

big=$(parcelon_wine "$host" pack --out 'C:\parcelon-bench\one-gb.zip' --stats 'C:\parcelon-bench\one-gb.bin')
small=$(parcelon_wine "$host" pack --out 'C:\parcelon-bench\one-mb.zip' --stats 'C:\parcelon-bench\one-mb.bin')
many=$(parcelon_wine "$host" pack --out 'C:\parcelon-bench\many.zip' --stats 'C:\parcelon-bench\many-files')
parcelon_wine_stop

# The whole path through parcelon-host compose on the same tree (add-in loaded, button,
# dialog, archive attached, .eml written) against pack alone: what the host adds.
parcelon_ensure_display
parcelon_regsvr32 "$build/server/Parcelon.dll" /s
start=$(now)
parcelon_wine "$host" pack --out 'C:\parcelon-bench\ours.zip' 'C:\parcelon-bench\tree' >/dev/null
pack_s=$(echo "$start $(now)" | awk '{printf "%.3f", $2 - $1}')
start=$(now)
parcelon_wine "$host" compose --attach 'C:\parcelon-bench\tree' --out 'C:\parcelon-bench\message.eml' >/dev/null
compose_s=$(echo "$start $(now)" | awk '{printf "%.3f", $2 - $1}')
parcelon_regsvr32 "$build/server/Parcelon.dll" /u /s
rm -f "$work/message.eml"
awk -v h="$compose_s" -v w="$pack_s" \
    'BEGIN {printf "parcelon-host compose on the tree: %.3f s; pack alone: %.3f s; the host adds %.0f%%\n", h, w, (h - w) * 100 / w}'
echo "peak working set packing 1 GB: $(echo "$big" | field peak_working_set) bytes (private $(echo "$big" | field peak_private))"
echo "peak working set packing 1 MB: $(echo "$small" | field peak_working_set) bytes (private $(echo "$small" | field peak_private))"
echo "peak working set packing 50,000 files of a few bytes: $(echo "$many" | field peak_working_set) bytes (private $(echo "$many" | field peak_private)), $(echo "$many" | field seconds) s"
rm -f "$work"/*.zip
# A list view needs an X display; the server of the prefix ends before the display does.
# The server the runs above started has no display: end it first.
parcelon_wine_stop
listing=$(xvfb-run -a sh -c "'$root/tools/wine-run' '$build/bench/list-folder-bench.exe' 'C:\\parcelon-bench\\ten-thousand' 10000; wineserver -w")
echo "folder browser list, 10,000 files sorted with the drives: $(echo "$listing" | field rows) rows in $(echo "$listing" | field seconds) s"
echo "load average after the bench: $(cut -d' ' -f1-3 /proc/loadavg)"
