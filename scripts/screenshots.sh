#!/usr/bin/env bash
# Regenerates the user guide's screenshots in docs/images/ from the real program with its
# simulated unit, driven by clicks and keys under a private X display.
# Usage: scripts/screenshots.sh [PATH-TO-orvex-config]   (default build/src/app/orvex-config)
set -euo pipefail

app=${1:-}
[ -n "$app" ] && app=$(realpath -- "$app")
cd "$(dirname "$0")/.."
app=${app:-$PWD/build/src/app/orvex-config}
out=docs/images

fail() {
    echo "screenshots.sh: $*" >&2
    exit 1
}

[ -x "$app" ] || fail "no program at $app (build it first, e.g. scripts/run.sh)"

bash scripts/ensure-packages.sh xvfb x11-apps netpbm xdotool fonts-dejavu-core

work=$(mktemp -d)
xv=""
pid=""
cleanup() {
    local rc=$?
    # The program and Xvfb end by TERM; their status is not this script's.
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
    if [ -n "$xv" ]; then kill "$xv" 2>/dev/null || true; wait "$xv" 2>/dev/null || true; fi
    rm -rf "$work"
    exit "$rc"
}
trap cleanup EXIT

# A fixed resolution keeps the window's size, and so the click positions below, the same.
Xvfb -displayfd 5 -screen 0 1280x1024x24 -dpi 100 -nolisten tcp 5>"$work/display" \
    2>"$work/xvfb.log" &
xv=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=:$(cat "$work/display")
export DISPLAY

# The user's settings, port, backups and simulated unit stay untouched; a fresh settings file
# also gives the window its design size, and a fresh state a factory unit.
# HOME too: the backups dialog shows paths in it from "~".
mkdir -p "$work/config" "$work/home/.local/share" "$work/state" "$work/runtime"
chmod 700 "$work/runtime"
backups=$work/home/.local/share/Orvex/backups/simulated  # the simulated unit's own
# An ECU's own lookup as its tuning software saves it: DB lines of AFR x 10 for an 8-bit ADC,
# 0.5 V to 4.5 V reading AFR 10 to 18 on a gentle curve, error markers (0) beyond.
LC_ALL=C awk 'BEGIN { print "; wideband input, AFR x 10"; print "WBO2_AFR:"
    for (k = 0; k < 256; k++) { v = 5 * k / 255; x = (v - 0.5) / 4
        printf "\tDB %.1fT ; %d\n", (x < 0 || x > 1) ? 0 : 100 + 80 * x * (0.6 + 0.4 * x), k } }' \
    >"$work/ecu-lookup.inc"
# Started in the work folder, so the lookup is named without a temporary path.
(cd "$work" && HOME=$work/home XDG_CONFIG_HOME=$work/config \
    XDG_DATA_HOME=$work/home/.local/share XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/runtime \
    QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 exec "$app" --simulate >"$work/app.log" 2>&1) &
pid=$!

wid=$(timeout 20 xdotool search --sync --onlyvisible --pid "$pid" \
    --name "Orvex Configuration Utility" 2>/dev/null | head -n 1) || true
[ -n "$wid" ] || fail "the window did not appear; program output: $(cat "$work/app.log")"

read -r win_x win_y win_w win_h < <(xdotool getwindowgeometry --shell "$wid" |
    awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}')
# The positions below were measured on a 428 x 545 window; another size scales them. The menu
# bar lies above that window: the window opens as wide as designed and taller by the menu.
ref_w=428
ref_h=545
menu=0
if [ "$win_w" -eq "$ref_w" ] && [ "$win_h" -ge "$ref_h" ]; then
    menu=$((win_h - ref_h))
else
    echo "note: window is ${win_w}x${win_h}, not ${ref_w}x${ref_h}; click positions are scaled"
fi
page_h=$((win_h - menu))

grab() { # the window's part of the screen, as PNM on stdout
    xwd -root -silent | xwdtopnm 2>/dev/null |
        pnmcut -left "$win_x" -top "$win_y" -width "$win_w" -height "$win_h"
}

page_sum() { # the tab pages only: the data area's caret blinks
    grab | pnmcut -left 0 -top "$menu" -width "$win_w" -height $((page_h * 275 / ref_h)) | md5sum
}

shot() {
    # Away from the window: no hover highlight, no tool tip in the picture.
    xdotool mousemove 1270 1010
    sleep 0.4
    grab | pamdepth 255 | pnmquant 256 2>/dev/null | pnmtopng -compression 9 >"$out/$1" 2>/dev/null ||
        fail "could not save $out/$1"
    [ -s "$out/$1" ] || fail "empty $out/$1"
    echo "saved $out/$1"
}

press() { # x y, on the 428 x 545 window
    xdotool mousemove --window "$wid" $(($1 * win_w / ref_w)) $((menu + $2 * page_h / ref_h)) click 1
}

click() { # x y what; fails when the pages do not change
    local before
    before=$(page_sum)
    press "$1" "$2"
    for _ in $(seq 20); do
        sleep 0.1
        [ "$(page_sum)" != "$before" ] && return 0
    done
    fail "click at $1,$2 ($3) changed nothing"
}

keys() { # key names for the focused control
    xdotool key --clearmodifiers "$@"
    sleep 0.3
}

text() { # x y text: replaces the text of the box there
    press "$1" "$2"
    sleep 0.2
    keys ctrl+a
    xdotool type --delay 30 "$3"
    sleep 0.2
}

wait_still() { # until the pages stop changing (a running trace or flash ends); timeout in s
    local last="" same=0 now
    for _ in $(seq $(($1 * 2))); do
        sleep 0.5
        now=$(page_sum)
        if [ "$now" = "$last" ]; then
            same=$((same + 1))
            [ $same -ge 4 ] && return 0
        else
            same=0
        fi
        last=$now
    done
    fail "$2 did not finish within $1 s"
}

mkdir -p "$out"
xdotool windowfocus --sync "$wid" 2>/dev/null || true

# Comms: clear the data area, then ask the unit for its firmware version.
press 163 126
text 78 126 "v"
keys Return
sleep 1
shot comms.png

# Comms, CSV log: "Log to file ..." with a .csv name, a trace into it, and a mark.
press 30 268
dialog=$(timeout 10 xdotool search --sync --onlyvisible --pid "$pid" --name "Save" 2>/dev/null |
    head -n 1) || true
[ -n "$dialog" ] || fail "no file dialog for \"Log to file ...\""
sleep 0.5
xdotool type --delay 20 "$work/trace.csv"
keys Return
sleep 0.5
click 62 247 "Start Trace"
sleep 3
click 378 269 "Mark"
sleep 1
shot comms-csv-log.png
click 163 247 "Stop Trace"
sleep 0.5
press 30 268
[ "$(head -n 1 "$work/trace.csv" | tr -d '\r')" = "time,ipx,field2,field3,field4,note" ] ||
    fail "the CSV log has no header"
grep -q ',mark 1' "$work/trace.csv" || fail "the CSV log has no mark"

# Free Air, manual: uncover the manual frames, take the 7057 start point, trace a few seconds.
click 113 13 "Free Air tab"
click 326 183 "Manual"
click 172 66 "7057"
click 226 130 "Trace"
sleep 4
click 226 130 "Stop"
sleep 0.5
shot free-air-cal.png

# The same as a chart, then the automatic search drawn as it converges.
click 30 268 "Chart?"
click 226 130 "Trace"
sleep 4
click 226 130 "Stop"
sleep 0.5
shot calibration-chart.png

# Free Air, automatic: search until the average is 0.
click 326 156 "Auto Calibrate"
wait_still 90 "the automatic calibration"
shot auto-calibration.png

# AFR Tables: the WBlin pin, a linear 10 to 20 AFR table over 0 to 5 V, drawn.
click 193 13 "AFR Tables tab"
click 208 40 "Output Pin Name list"
keys Down Return
text 91 183 "10"
text 226 183 "20"
click 133 259 "Generate Data"
click 301 40 "Graph?"
shot afr-tables.png

# Flash: the backup file appears once the unit's table was read; programming follows at once.
rm -rf "$backups"
click 329 64 "Flash"
for _ in $(seq 100); do
    compgen -G "$backups/*_WBlin.txt" >/dev/null && break
    sleep 0.1
done
compgen -G "$backups/*_WBlin.txt" >/dev/null || fail "no backup was saved before the flash"
sleep 0.6
shot flash-in-progress.png
wait_still 30 "the flash"
shot flash-complete.png

# Make the ECU agree: the table that matches the ECU's lookup, drawn ("Export for ECU ..." shows
# in the tab row).
click 209 65 "Output Data list"
keys Down Down Return
text 106 116 "ecu-lookup.inc"
click 222 225 "GO"
click 301 40 "Graph?"
shot ecu-match.png

# Backups: the flash's backup, and an older one cut short to show how one that cannot be restored
# is listed; the newest chosen (Down, Up), drawn over the table; the dialog beside the window.
kept=$(compgen -G "$backups/*_WBlin.txt" | head -n 1)
sed 's/^; date: .*/; date: 2026-01-05T09:12:40\r/' "$kept" | head -c 200 \
    >"$backups/2026-01-05_09-12-40_WBlin.txt"
press 371 91
dialog=$(timeout 10 xdotool search --all --sync --onlyvisible --pid "$pid" --name "^Backups$" 2>/dev/null |
    head -n 1) || true
[ -n "$dialog" ] || fail "the Backups dialog did not appear"
xdotool windowmove --sync "$dialog" $((win_x + win_w + 8)) "$win_y"
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
keys Down Up
read -r dlg_x dlg_w dlg_h < <(xdotool getwindowgeometry --shell "$dialog" |
    awk -F= '/^X=/{x=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, w, h}')
shot_beside() { # the window and the dialog beside it
    xdotool mousemove 1270 1010
    sleep 0.4
    local both_w=$((dlg_x + dlg_w - win_x)) both_h=$((dlg_h > win_h ? dlg_h : win_h))
    xwd -root -silent | xwdtopnm 2>/dev/null |
        pnmcut -left "$win_x" -top "$win_y" -width "$both_w" -height "$both_h" | pamdepth 255 |
        pnmquant 256 2>/dev/null | pnmtopng -compression 9 >"$out/$1" 2>/dev/null ||
        fail "could not save $out/$1"
    echo "saved $out/$1"
}
shot_beside backups.png
keys Escape

# Output Test: the WBlin pin held at 2.50 V (its 10 to 20 AFR table backed up first), and what an
# ECU that reads 2.41 V makes of it; the dialog beside the window.
tests=$work/home/.local/share/Orvex/output-test.json
press 199 91
dialog=$(timeout 10 xdotool search --all --sync --onlyvisible --pid "$pid" \
    --name "^Output Test$" 2>/dev/null | head -n 1) || true
[ -n "$dialog" ] || fail "the Output Test dialog did not appear"
xdotool windowmove --sync "$dialog" $((win_x + win_w + 8)) "$win_y"
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
keys Tab Tab space # from the pin list to Hold
for _ in $(seq 600); do
    [ -s "$tests" ] && break
    sleep 0.1
done
[ -s "$tests" ] || fail "the output test was not recorded"
sleep 1
xdotool mousemove --window "$dialog" 300 77 click 1 # "ECU reads"
sleep 0.2
xdotool type --delay 30 "2.41"
read -r dlg_x dlg_w dlg_h < <(xdotool getwindowgeometry --shell "$dialog" |
    awk -F= '/^X=/{x=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, w, h}')
shot_beside output-test.png

echo "done: screenshots in $out/"
