#!/usr/bin/env bash
# Builds the Windows program and its tests with MinGW-w64: build/windows/Update.exe, static,
# with no DLL beside it. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DUPDATE_BUILD_UI=ON "$@"
cmake --build build/windows -j "$(nproc)"
