#!/usr/bin/env bash
# Runs tavrel on the controller emulator (tavrel-sim on COM5).
#
# With a display: the emulator reads touch commands from this terminal (type "help" lines as
# `tavrel-sim --help` lists them, e.g. "tap 1024 1024") and tavrel runs until Close is chosen from
# its tray menu.
# Without a display: build/tavrel-session, a private Xvfb with trayer as the tray host, a short
# scripted session (detection, a tap, a drag, a right click through the panel, the tray menu, a
# calibration, Close), screenshots and an account of what happened.
#
# TAVREL_MACHINE_DIR: the machine directory to use; a temporary one when unset.
# TAVREL_SCREENSHOT: where the headless session saves its screenshot (default build/run.png).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$PWD/build

if [ -z "${DISPLAY:-}" ]; then
  exec "$build/tavrel-session" "$build/tavrel"
fi

work=$(mktemp -d)
sim=
cleanup() {
  if [ -n "$sim" ]; then
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

machine=${TAVREL_MACHINE_DIR:-$work/machine}
mkdir -p "$machine"
export TAVREL_MACHINE_DIR=$machine

echo "Machine directory: $machine"
# The emulator on COM5, reading its touch commands from this terminal.
"$build/tavrel-sim" --port 5 --machine-dir "$machine" --script - >"$work/sim.out" \
  2>"$work/sim.log" &
sim=$!
for _ in $(seq 100); do
  grep -q '^ready COM5' "$work/sim.out" 2>/dev/null && break
  sleep 0.05
done
if ! grep -q '^ready COM5' "$work/sim.out" 2>/dev/null; then
  echo "tavrel-sim did not start:" >&2
  cat "$work/sim.log" >&2
  exit 1
fi
echo "Type touch commands for the emulator here, e.g. \"tap 1024 1024\" or"
echo "\"drag 300 300 1700 1500\" (tavrel-sim --help lists them); choose Close in tavrel's tray"
echo "menu to end."
"$build/tavrel"
