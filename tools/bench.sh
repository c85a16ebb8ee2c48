#!/usr/bin/env bash
# Packs the benchmark tree of text, a tree of photos and other files that do not compress,
# and one 200 MB text file with `parcelon-host pack` (under Wine), with Info-ZIP `zip -r -6`
# and with 7-Zip's zip (both native), alternating three times, with every core and with
# one worker; prints the peak memory of packing a 1 GB file against a 1 MB file; times the
# add-in's start-up (the median of 5 processes), the check on send of a message with 20
# attachments (the median of 5) and the dialog's folder browser list over a folder of
# 10,000 files.
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
python3 "$root/tools/make-bench-tree.py" --photos "$work/photos"
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
median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
seconds_since() { echo "$1 $(now)" | awk '{printf "%.3f", $2 - $1}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.3f", a / b}'; }

# compare LABEL WINDOWS_SOURCE UNIX_SOURCE SEVEN_ZIP_THREADS [ARGS...]: wall times of
# parcelon-host pack ARGS, zip -6 and 7-Zip's zip, three times in turn.
compare() {
    local label=$1 source=$2 unix_source=$3 seven_threads=$4; shift 4
    local ratios=() packing=() seven=() i ours_wall ours_packing theirs sevens out start
    local folder name
    folder=$(dirname "$unix_source") name=$(basename "$unix_source")
    for i in 1 2 3; do
        rm -f "$work/ours.zip" "$work/theirs.zip" "$work/seven.zip"
        start=$(now)
        out=$(parcelon_wine "$host" pack --out 'C:\parcelon-bench\ours.zip' --stats "$@" "$source")
        ours_wall=$(seconds_since "$start")
        ours_packing=$(echo "$out" | field seconds)
        start=$(now)
        (cd "$folder" && zip -r -6 -q "$work/theirs.zip" "$name" -x '*/.complete')
        theirs=$(seconds_since "$start")
        start=$(now)
        (cd "$folder" && 7zz a -tzip -mx=5 -mmt="$seven_threads" -bd -bso0 -bsp0 '-xr!.complete' "$work/seven.zip" "$name")
        sevens=$(seconds_since "$start")
        printf '  %s run %d: parcelon %s s (packing %s s), zip -6 %s s, 7zz -mx=5 -mmt=%s %s s; archives %s, %s and %s bytes\n' \
            "$label" "$i" "$ours_wall" "$ours_packing" "$theirs" "$seven_threads" "$sevens" \
            "$(size "$work/ours.zip")" "$(size "$work/theirs.zip")" "$(size "$work/seven.zip")"
        ratios+=("$(ratio "$ours_wall" "$theirs")")
        packing+=("$(ratio "$ours_packing" "$theirs")")
        seven+=("$(ratio "$ours_wall" "$sevens")")
    done
    printf '%s: median ratio parcelon / zip %s (packing time alone %s), parcelon / 7zz %s; size ratio to zip %s, to 7zz %s\n' \
        "$label" "$(printf '%s\n' "${ratios[@]}" | median)" "$(printf '%s\n' "${packing[@]}" | median)" \
        "$(printf '%s\n' "${seven[@]}" | median)" \
        "$(awk -v a="$(size "$work/ours.zip")" -v b="$(size "$work/theirs.zip")" 'BEGIN {printf "%.4f", a / b}')" \
        "$(awk -v a="$(size "$work/ours.zip")" -v b="$(size "$work/seven.zip")" 'BEGIN {printf "%.4f", a / b}')"
}

echo "tree: $(find "$work/tree" -type f ! -name .complete | wc -l) files, $(du -sb --exclude=.complete "$work/tree" | cut -f1) bytes"
compare "tree, all cores" 'C:\parcelon-bench\tree' "$work/tree" 2
compare "tree, one worker" 'C:\parcelon-bench\tree' "$work/tree" 1 --threads 1
echo "photos: $(find "$work/photos" -type f ! -name .complete | wc -l) files, $(du -sb --exclude=.complete "$work/photos" | cut -f1) bytes"
compare "photos, all cores" 'C:\parcelon-bench\photos' "$work/photos" 2
compare "photos, one worker" 'C:\parcelon-bench\photos' "$work/photos" 1 --threads 1
compare "200 MB file, all cores" 'C:\parcelon-bench\single-200mb.txt' "$work/single-200mb.txt" 2
compare "200 MB file, one worker" 'C:\parcelon-bench\single-200mb.txt' "$work/single-200mb.txt" 1 --threads 1

big=$(parcelon_wine "$host" pack --out 'C:\parcelon-bench\one-gb.zip' --stats 'C:\parcelon-bench\one-gb.bin')
small=$(parcelon_wine "$host" pack --out 'C:\parcelon-bench\one-mb.zip' --stats 'C:\parcelon-bench\one-mb.bin')
many=$(parcelon_wine "$host" pack --out 'C:\parcelon-bench\many.zip' --stats 'C:\parcelon-bench\many-files')
parcelon_wine_stop

# The whole path through parcelon-host compose on the same tree (add-in loaded, button,
# dialog, archive attached, .eml written) against pack alone: what the host adds.
parcelon_ensure_display
parcelon_regsvr32 "$build/server/Parcelon.dll" /s
# The add-in's start-up as Outlook times it, from CoCreateInstance to the return of
# OnConnection, each in a process of its own. Outlook disables an add-in past 1000 ms.
startups=()
for i in 1 2 3 4 5; do
    startups+=("$(parcelon_wine "$host" startup | sed -n 's/^add-in loaded: Parcelon.* (start-up \([0-9.]*\) ms).*/\1/p')")
done
echo "add-in start-up, CoCreateInstance to the return of OnConnection: median $(printf '%s\n' "${startups[@]}" | median) ms of ${startups[*]} ms"
start=$(now)
parcelon_wine "$host" pack --out 'C:\parcelon-bench\ours.zip' 'C:\parcelon-bench\tree' >/dev/null
pack_s=$(echo "$start $(now)" | awk '{printf "%.3f", $2 - $1}')
start=$(now)
parcelon_wine "$host" compose --attach 'C:\parcelon-bench\tree' --out 'C:\parcelon-bench\message.eml' >/dev/null
compose_s=$(echo "$start $(now)" | awk '{printf "%.3f", $2 - $1}')
# A long session in one process: 200 compose windows opened and closed, every tenth packing
# a small folder through the ribbon button; what the process holds after window 10 and 200.
mkdir -p "$work/session"
for i in $(seq 1 20); do
    [ -f "$work/session/note-$i.txt" ] || head -c 30000 /dev/urandom | base64 >"$work/session/note-$i.txt"
done
session=$(parcelon_wine "$host" session --windows 200 --attach 'C:\parcelon-bench\session' 2>&1 | tr -d '\r') || true
echo "$session" | sed -n 's/^session: /long session of 200 compose windows: /p'
# Outlook waits for the check on every send: from raising ItemSend to its return, for a
# message of 20 attachments (21 MB) under the account's limit, each in a process of its own.
mkdir -p "$work/send"
attach=()
for i in $(seq 1 20); do
    [ -f "$work/send/file$i.bin" ] || head -c $((i * 100000)) /dev/urandom > "$work/send/file$i.bin"
    attach+=(--attach-file "C:\\parcelon-bench\\send\\file$i.bin")
done
checks=()
for i in 1 2 3 4 5; do
    checks+=("$(parcelon_wine "$host" compose "${attach[@]}" --send --send-limit-kb 102400 \
        --out 'C:\parcelon-bench\sent.eml' | sed -n 's/^ItemSend handled in \([0-9.]*\) ms.*/\1/p')")
done
rm -f "$work/sent.eml"
echo "check on send, 20 attachments under the limit: median $(printf '%s\n' "${checks[@]}" | median) ms of ${checks[*]} ms"
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
