#!/usr/bin/env bash
# Runs the archive fuzzer: first every kept regression input once, then for a bounded time over
# a corpus in the build directory seeded from the fixture archives. New crash inputs land in
# WORK_DIR/artifacts; keep them in the regression folder once they are fixed.
# Usage: run_fuzz.sh FUZZER FIXTURE_DIR REGRESSION_DIR WORK_DIR [SECONDS]
set -euo pipefail
fuzzer=$1
fixtures=$2
regression=$3
work=$4
seconds=${5:-60}

corpus=$work/corpus
artifacts=$work/artifacts/
mkdir -p "$corpus" "$artifacts"
cp "$fixtures"/*.zip "$corpus"/

if [ -d "$regression" ]; then
  shopt -s nullglob
  inputs=("$regression"/*)
  if [ ${#inputs[@]} -gt 0 ]; then
    echo "running ${#inputs[@]} regression inputs"
    "$fuzzer" -timeout=20 "${inputs[@]}"
  fi
fi

exec "$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -max_len=80000 \
  -artifact_prefix="$artifacts" -print_final_stats=1 "$corpus"
