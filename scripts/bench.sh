#!/usr/bin/env bash
# Runs every benchmark program of a build (bench_* under BUILD/bench) and prints its figures.
set -euo pipefail
build=${1:-build}
found=0
while IFS= read -r bench; do
  found=1
  echo "=== $(basename "$bench")"
  "$bench"
done < <(find "$build/bench" -type f -name 'bench_*' -perm -u+x | sort)
[ $found -eq 1 ] || echo "No benchmarks built yet."
