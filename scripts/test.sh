#!/usr/bin/env bash
# Builds every test and runs it through ctest: the normal build (warnings as errors, the real
# window under Xvfb included); the archive layer under AddressSanitizer and
# UndefinedBehaviorSanitizer with clang, including a bounded fuzzing run; the dialog, the
# worker and the internet layer on the headless back end under ThreadSanitizer; then the
# Windows build and its tests under Wine.
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

# The wx back end and the real window stay out: the libraries beneath them are not
# instrumented. Any report fails its test; the test programs left unbuilt are not run.
CC=clang CXX=clang++ cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DUPDATE_WERROR=ON -DUPDATE_SANITIZE_THREAD=ON -DUPDATE_BUILD_WX=OFF
cmake --build build/tsan -j "$jobs" --target ui_tests download_tests
(cd build/tsan && TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1" \
  ctest --output-on-failure -j "$jobs" -E "_NOT_BUILT$")

# The Windows build: cross-compiled with MinGW-w64 (warnings as errors), its tests run through
# ctest under Wine in a private prefix made here and stopped at the end.
bash scripts/build-windows.sh -DUPDATE_WERROR=ON
export WINEPREFIX=$PWD/build/windows/wineprefix
trap 'wineserver -k 2>/dev/null || true' EXIT
bash scripts/wine-prefix.sh "$WINEPREFIX"
(cd build/windows && ctest --output-on-failure -j "$jobs")
