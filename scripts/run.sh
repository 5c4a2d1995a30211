#!/usr/bin/env bash
# Runs the program on the built-in controller emulator.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -x build/tavrel ]; then
  echo "tavrel is not built yet: this checkout has the settings layer only." >&2
  echo "The program, its panel and the controller emulator come with the next changes." >&2
  exit 1
fi
