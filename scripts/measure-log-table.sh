#!/usr/bin/env bash
# What paging through a long log in the log table costs, seen from outside the program: opens a
# log of RECORDS records (10,000 unless set) whose pictures are 1080p JPEGs in glimmark on a
# virtual X server with a window manager, opens the table (Ctrl+3) and pages through it,
# first with the mouse wheel (the table alone), then with Page Down (each page also moves the
# editor). Reports the main thread's CPU time per page, from /proc/PID/task/PID/stat, and the
# program's resident memory before and after, from /proc/PID/status: the thumbnails kept are
# bounded, so the growth must stay near that bound whatever the log's length.
#   scripts/measure-log-table.sh [BUILD_DIR]        (not part of the test suite)
# Needs Xvfb, openbox, xdotool and ImageMagick (scripts/setup.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD=${1:-build}
RECORDS=${RECORDS:-10000}
GLIMMARK="$BUILD/vexaLogging3/glimmark"
[ -x "$GLIMMARK" ] || { echo "no $GLIMMARK: build it first" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Sixteen different 1080p pictures, as a camera's grabs would be, used in turn.
for i in $(seq 0 15); do
    convert -size 1920x1080 "gradient:rgb($((i * 16)),60,90)-rgb(220,190,$((255 - i * 16)))" \
        -fill white -pointsize 180 -draw "text 300,620 'Take $i'" \
        -attenuate 0.3 +noise Gaussian -quality 50 "$work/picture$i.jpg"
done
python3 - "$work" "$RECORDS" <<'EOF'
import plistlib, sys
work, records = sys.argv[1], int(sys.argv[2])
pictures = [open(f"{work}/picture{i}.jpg", "rb").read() for i in range(16)]
entries = ["Glimmark", "Version: 1.0", "Ostraven", "", "1", "", "", "", "", ""]
for r in range(1, records + 1):
    s = r * 7
    start = f"01:{s // 3600 % 60:02d}:{s // 60 % 60:02d}:{s % 60:02d}"
    entries += [str(r), start, "", "", "10:00:00", f"scene {r // 20} take {r % 20}",
                "boom in shot" if r % 13 == 0 else "", "09.12.2026", "", pictures[r % 16]]
with open(f"{work}/long.vlg", "wb") as out:
    plistlib.dump(entries, out, fmt=plistlib.FMT_XML)
print(f"log of {records} records: {sum(len(p) for p in pictures) // 16 // 1024} KB a picture")
EOF

display=""
for _ in $(seq 20); do
    n=$((50 + RANDOM % 50))
    [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
[ -n "$display" ] || { echo "no free display number" >&2; exit 1; }
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)

# A home of its own: no saved settings, no log left behind by an earlier run.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
"$GLIMMARK" "$work/long.vlg" >"$work/glimmark.log" 2>&1 &
pid=$!
pids+=("$pid")

ticks=$(getconf CLK_TCK)
mainCpuMs() {  # utime + stime of the main thread, in milliseconds
    local stat
    stat=$(cat "/proc/$pid/task/$pid/stat")
    stat=${stat##*) }
    awk -v t="$ticks" '{ print ($12 + $13) * 1000 / t }' <<<"$stat"
}
rssKb() { awk '/^VmRSS/ { print $2 }' "/proc/$pid/status"; }
waitWindow() {  # waits for a window whose title holds $1, prints its id
    for _ in $(seq 600); do
        if id=$(xdotool search --name "$1" 2>/dev/null | head -1) && [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "no window titled '$1'" >&2
    return 1
}
settle() {  # until the main thread has been idle, and the memory still, for a second
    local before after rssBefore rssAfter
    after=$(mainCpuMs)
    rssAfter=$(rssKb)
    for _ in $(seq 120); do
        before=$after
        rssBefore=$rssAfter
        sleep 1
        after=$(mainCpuMs)
        rssAfter=$(rssKb)
        awk -v a="$after" -v b="$before" -v ra="$rssAfter" -v rb="$rssBefore" \
            'BEGIN { exit !(a - b < 20 && ra - rb < 1024 && rb - ra < 1024) }' && return 0
    done
}

loaded=$(date +%s.%N)
editor=$(waitWindow "Glimmark Editor - long")
settle
echo "log read (on its own thread) and shown in $(awk -v a="$(date +%s.%N)" -v b="$loaded" 'BEGIN { printf "%.1f", a - b }') s, main thread $(mainCpuMs) ms so far, RSS $(($(rssKb) / 1024)) MB"

xdotool windowactivate --sync "$editor" key ctrl+3
table=$(waitWindow "Glimmark Log")
xdotool windowactivate --sync "$table"
eval "$(xdotool getwindowgeometry --shell "$table")"
# A click on the first row gives the table the keyboard; Ctrl+Home the first record.
xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + 90)) click 1
xdotool key ctrl+Home
settle

rows_per_page=$(((HEIGHT - 80) / 58))
pages=$((RECORDS / rows_per_page + 1))
measure() {  # $1: what, then the xdotool command that pages once
    local what=$1 cpu0 rss0 cpu1 rss1 start end
    shift
    cpu0=$(mainCpuMs)
    rss0=$(rssKb)
    start=$(date +%s.%N)
    "$@"
    end=$(date +%s.%N)
    settle
    cpu1=$(mainCpuMs)
    rss1=$(rssKb)
    awk -v what="$what" -v p="$pages" -v c0="$cpu0" -v c1="$cpu1" -v r0="$rss0" -v r1="$rss1" \
        -v s="$start" -v e="$end" 'BEGIN {
        printf "%s: %d pages in %.1f s, main thread %.0f ms = %.2f ms a page; RSS %d -> %d MB (%+d MB)\n",
            what, p, e - s, c1 - c0, (c1 - c0) / p, r0 / 1024, r1 / 1024, (r1 - r0) / 1024 }'
}
# The wheel scrolls three rows a notch: a page's worth of notches at a time.
notches=$(((rows_per_page + 2) / 3))
measure "mouse wheel, table only" \
    xdotool click --repeat $((pages * notches)) --delay $((40 / notches)) 5
xdotool key ctrl+Home
settle
measure "Page Down, editor following" xdotool key --repeat "$pages" --delay 40 Next
echo "peak RSS $(($(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status") / 1024)) MB"
