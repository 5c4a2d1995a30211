#!/usr/bin/env bash
# Runs tavrel on the controller emulator (tavrel-sim on COM5).
#
# With a display: the emulator reads touch commands from this terminal (type "help" lines as
# `tavrel-sim --help` lists them, e.g. "tap 1024 1024") and tavrel runs until Close is chosen from
# its tray menu.
# Without a display: a private Xvfb with trayer as the tray host, a short scripted session
# (detection, a tap, a drag, a right click through the panel, the tray menu, a calibration, Close),
# screenshots and an account of what happened.
#
# TAVREL_MACHINE_DIR: the machine directory to use; a temporary one when unset.
# TAVREL_SCREENSHOT: where the headless session saves its screenshot (default build/run.png).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build

work=$(mktemp -d)
pids=()
# Ends a process we started: politely, then for good after two seconds.
stop() {
  kill "$1" 2>/dev/null || return 0
  for _ in $(seq 40); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.05
  done
  kill -KILL "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
cleanup() {
  exec 7>&- 2>/dev/null || true
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do stop "${pids[i]}"; done
  rm -rf "$work"
}
trap cleanup EXIT

machine=${TAVREL_MACHINE_DIR:-$work/machine}
mkdir -p "$machine"
export TAVREL_MACHINE_DIR=$machine

# Starts the emulator on COM5, reading its touch commands from $1, and waits until it is ready.
start_emulator() {
  "$build/tavrel-sim" --port 5 --machine-dir "$machine" --script - <"$1" >"$work/sim.out" \
    2>"$work/sim.log" &
  pids+=($!)
  for _ in $(seq 100); do
    grep -q '^ready COM5' "$work/sim.out" 2>/dev/null && return 0
    sleep 0.05
  done
  echo "tavrel-sim did not start:" >&2
  cat "$work/sim.log" >&2
  exit 1
}

if [ -n "${DISPLAY:-}" ]; then
  echo "Machine directory: $machine"
  start_emulator /dev/stdin
  echo "Type touch commands for the emulator here, e.g. \"tap 1024 1024\" or"
  echo "\"drag 300 300 1700 1500\" (tavrel-sim --help lists them); choose Close in tavrel's tray"
  echo "menu to end."
  "$build/tavrel"
  exit 0
fi

# ---- headless session -------------------------------------------------------------------------
screenshot=${TAVREL_SCREENSHOT:-$build/run.png}
account() { printf '  %s\n' "$*"; }

exec 6>"$work/display"
Xvfb -displayfd 6 -screen 0 1024x768x24 -noreset -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 6>&-
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.05
done
export DISPLAY=":$(head -n1 "$work/display")"
trayer --edge bottom --align left --widthtype pixel --width 120 --height 24 \
  --transparent false --tint 0xd0d0d0 >/dev/null 2>&1 &
pids+=($!)
xinput test-xi2 --root >"$work/xi2.log" 2>&1 &
pids+=($!)

mkfifo "$work/touches"
exec 7<>"$work/touches"  # read-write, so that opening it never blocks
start_emulator "$work/touches"
"$build/tavrel" >"$work/tavrel.log" 2>&1 &
tavrel=$!

# The panel is the 66 x 67 window; the icon the 22 x 22 one in the tray.
window_geometry() {
  xwininfo -root -tree 2>/dev/null |
    sed -n "s/.*\"tavrel\".* $1+\([0-9-]*\)+\([0-9-]*\) .*/\1 \2/p" | head -n1
}
wait_for() {
  for _ in $(seq 200); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}
panel_shown() { [ -n "$(window_geometry 66x67)" ]; }
icon_shown() { xwininfo -root -tree 2>/dev/null | grep -q '"tavrel".* 22x22+'; }
pointer() { xdotool getmouselocation | sed 's/ screen.*//'; }
# Button presses and releases that xinput saw since the last call, into $work/buttons.
seen=0
buttons() {
  local total
  total=$(wc -l <"$work/xi2.log")
  tail -n +$((seen + 1)) "$work/xi2.log" | head -n $((total - seen)) |
    awk '/\(RawButtonPress\)/{k="press"} /\(RawButtonRelease\)/{k="release"}
         /detail:/ && k {print k, $2; k=""}' | paste -sd, - >"$work/buttons"
  seen=$total
}
touch_and_wait() {
  echo "$1" >&7
  sleep "${2:-0.6}"
}

echo "Headless session on display $DISPLAY, machine directory $machine"
wait_for panel_shown || { echo "the panel did not appear" >&2; cat "$work/tavrel.log" >&2; exit 1; }
buttons
read -r px py < <(window_geometry 66x67)
account "detection: $(grep -c request "$work/sim.log") requests answered on COM5 ($(grep -c '43 0[0-7]$' "$work/sim.log") calibration words read)"
account "panel: 66 x 67 at ($px, $py), bottom-right corner of the 1024 x 768 screen"
wait_for icon_shown && account "tray icon: shown by trayer"

touch_and_wait "tap 1024 1024"
buttons
account "tap at raw (1024, 1024): pointer now $(pointer); buttons: $(cat "$work/buttons")"
touch_and_wait "drag 300 300 1700 1500 12" 1.0
buttons
account "drag from raw (300, 300) to (1700, 1500): pointer now $(pointer); buttons: $(cat "$work/buttons")"

# The tray menu, on a left-button press over the icon.
open_tray_menu() {
  local ix iy
  read -r ix iy < <(xwininfo -root -tree | sed -n 's/.*"tavrel".* 22x22+[0-9-]*+[0-9-]* *+\([0-9-]*\)+\([0-9-]*\).*/\1 \2/p' | head -n1)
  xdotool mousemove $((ix + 11)) $((iy + 11)) mousedown 1
  sleep 0.5
  xdotool mouseup 1
  sleep 0.3
}

# "Right click" on the panel, then a touch: one right click, and the plain image comes back. The
# screenshot is taken in between, with the button's "Right" image and the tray menu showing.
xdotool mousemove $((px + 32)) $((py + 18)) click 1
sleep 0.3
open_tray_menu
import -window root "$screenshot"
xdotool key Escape
sleep 0.2
buttons
touch_and_wait "tap 1500 600"
buttons
account "right click through the panel, then a tap at raw (1500, 600): buttons: $(cat "$work/buttons")"
account "stored values: $(grep -c dword "$machine/settings.reg") in $machine/settings.reg"
account "screenshot: $screenshot (right-click mode on, tray menu open)"

# Calibration, the menu's fifth entry: a finger held on each target in turn (110 reports each),
# then "Calibration OK" confirmed; the corners go to the settings file and the controller.
open_tray_menu
xdotool key Down Down Down Down Down Return
sleep 0.5
calibration_shot=${screenshot%.png}-calibration.png
import -window root "$calibration_shot"
for corner in "200 1800" "1850 250" "1860 1790" "210 240"; do
  touch_and_wait "drag $corner $corner 110" 1.2
done
box=$(xdotool search --name '^Calibration OK$' | head -n1)
if [ -n "$box" ]; then
  xdotool windowfocus "$box" key Return
  wait_for sh -c "! xwininfo -root -tree | grep -q '\"tavrel\".* 1024x768+'"
  corners=$(grep 'Click Value [LR]' "$machine/settings.reg" | while IFS='=' read -r name value; do
    name=${name//\"/}
    printf '%s %d; ' "${name#Click Value }" "0x${value#dword:}"
  done)
  account "calibration: corners in the settings file: ${corners%; }"
  account "calibration: $(grep -c '0A 04 42' "$work/sim.log") word writes to the controller; screenshot of the first target: $calibration_shot"
else
  account "calibration: no \"Calibration OK\" box appeared"
fi

open_tray_menu
# Close, the menu's last item: Up from no selection wraps to it.
xdotool key Up Return
status=0
for _ in $(seq 100); do
  kill -0 "$tavrel" 2>/dev/null || break
  sleep 0.05
done
if kill -0 "$tavrel" 2>/dev/null; then
  echo "tavrel did not end after Close" >&2
  kill "$tavrel"
  exit 1
fi
wait "$tavrel" || status=$?
account "Close from the tray menu: tavrel ended with status $status; icon gone: $(icon_shown && echo no || echo yes)"
exit "$status"
