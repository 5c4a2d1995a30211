#!/usr/bin/env bash
# Runs every libFuzzer target of a build (fuzz_* under BUILD/fuzz) for SECONDS each, with its
# corpus kept in fuzz/corpus/<target>. A finding stops the run with the crashing input saved.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
while IFS= read -r target; do
  name=$(basename "$target")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  [ -d "$root/fuzz/corpus/$name" ] && cp -n "$root/fuzz/corpus/$name"/* "$corpus"/ 2>/dev/null || true
  echo "=== $name: $seconds s"
  "$target" -max_total_time="$seconds" -artifact_prefix="$build/$name-" "$corpus" 2>&1 | tail -n 3
done < <(find "$build/fuzz" -type f -name 'fuzz_*' -perm -u+x | sort)
