#!/usr/bin/env bash
# Builds every test and runs it through ctest: the normal build (warnings as errors, the real
# window under Xvfb included) and the archive layer under AddressSanitizer and
# UndefinedBehaviorSanitizer with clang, including a bounded fuzzing run; then the Windows build
# and its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc)

cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUPDATE_WERROR=ON
cmake --build build/ci -j "$jobs"
(cd build/ci && ctest --output-on-failure -j "$jobs")

CC=clang CXX=clang++ cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DUPDATE_WERROR=ON -DUPDATE_SANITIZE=ON -DUPDATE_BUILD_UI=OFF -DUPDATE_FUZZ=ON
cmake --build build/asan -j "$jobs"
(cd build/asan && ctest --output-on-failure -j "$jobs")

# The Windows build: cross-compiled with MinGW-w64 (warnings as errors), its tests run through
# ctest under Wine in a private prefix made here and stopped at the end.
bash scripts/build-windows.sh -DUPDATE_WERROR=ON
export WINEPREFIX=$PWD/build/windows/wineprefix
trap 'wineserver -k 2>/dev/null || true' EXIT
bash scripts/wine-prefix.sh "$WINEPREFIX"
(cd build/windows && ctest --output-on-failure -j "$jobs")
