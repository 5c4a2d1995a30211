#!/usr/bin/env bash
# The soak run: the real program under Xvfb, fed by the emulator at the line rate with drags,
# taps and a hang-up every minute, for SOAK_SECONDS (default 600). Prints reports lost,
# reconnections, resident memory and open descriptors at the start and the end; fails on a lost
# report or a hang-up the program did not come back from.
set -euo pipefail
build=${1:-build}
seconds=${SOAK_SECONDS:-600}
echo "=== soak for ${seconds} s"
"$build/tavrel-soak" "$build/tavrel" "$seconds"
