#!/usr/bin/env bash
# Installs what building, running and testing the updater needs on Debian 12.
# Idempotent: packages already present are left as they are.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libwxgtk3.2-dev libcurl4-openssl-dev zlib1g-dev libgcrypt20-dev
  googletest libgtest-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool imagemagick x11-utils
  fonts-dejavu-core
  python3 openssl ca-certificates
  unzip zip nginx-light curl minisign
  g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev libgcrypt-mingw-w64-dev
  wine64 wine fonts-wine
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q || true
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
