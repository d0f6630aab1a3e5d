#!/usr/bin/env bash
# Builds the benchmark driver in Release (build/unzip-bench) and times it against Info-ZIP's
# unzip; the RESULT lines come last. Usage: bench/unzip/run.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build/unzip-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DUPDATE_BUILD_UI=OFF >/dev/null
cmake --build build/unzip-bench -j 2 --target unzip_bench_driver >/dev/null
python3 bench/unzip/bench_unzip.py build/unzip-bench/bench/unzip/unzip_bench_driver "$@"
