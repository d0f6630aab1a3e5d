#!/usr/bin/env bash
# Runs the updater on the bundled demo: a program directory holding version 1 of a small demo
# program and its Update.ini, and packs (version 2 as a ZIP pack, plus release notes) served
# by a loopback HTTP server that this script starts and stops.
# Under a display the dialog is yours to click through. Without one it runs under Xvfb,
# presses Update and Finish itself, saves screenshots of the Ready, Downloading and Finished
# states, prints their paths, and shows that the demo program now reports version 2.
#   bash scripts/demo.sh            the Linux program (build/demo)
#   bash scripts/demo.sh windows    the Windows program (build/windows/Update.exe) under Wine,
#                                   with a Windows demo program, in a private Wine prefix
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
platform=${1:-linux}
case "$platform" in
  linux | windows) ;;
  *) echo "usage: bash scripts/demo.sh [windows]" >&2; exit 2 ;;
esac
bash scripts/setup.sh

if [ "$platform" = windows ]; then
  cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
  cmake --build build/windows -j "$(nproc)" --target Update
  demo_build="$repo/build/demo-windows"
else
  cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/demo -j "$(nproc)" --target Update
  demo_build="$repo/build/demo"
fi

out="$demo_build/run"
rm -rf "$out"
mkdir -p "$out/packs" "$out/screenshots"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
export no_proxy='127.0.0.1' NO_PROXY='127.0.0.1'
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
if [ "$platform" = windows ]; then
  # Versions 1 and 2 of the Windows demo program, and a Wine prefix of the demo's own.
  for version in 1 2; do
    x86_64-w64-mingw32-gcc-posix -O2 -static -DDEMO_VERSION="\"$version\"" demo/demo_notes.c \
      -o "$out/demo-v$version.exe"
  done
  export WINEPREFIX="$demo_build/wineprefix"
  bash scripts/wine-prefix.sh "$WINEPREFIX"
  python3 demo/make_demo.py "$out/program" "$out/packs" "$port" \
    "$out/demo-v1.exe" "$out/demo-v2.exe"
  cp build/windows/Update.exe "$out/program/Update.exe"
  updater=(tests/tools/wine_run.sh "$out/program/Update.exe")
  says() { tests/tools/wine_run.sh "$1" </dev/null | tr -d '\r'; }
else
  python3 demo/make_demo.py "$out/program" "$out/packs" "$port"
  cp build/demo/Update "$out/program/Update"
  updater=("$out/program/Update")
  says() { sh "$1"; }
fi

# 256 KiB/s: the version 2 pack takes about three seconds.
python3 demo/slow_server.py "$out/packs" "$port" 262144 >"$out/server.log" 2>&1 &
server=$!
xvfb=""
cleanup() {
  kill "$server" 2>/dev/null || true
  # Wine's programs go before their X server does.
  if [ "$platform" = windows ]; then timeout 30 wineserver -k 2>/dev/null || true; fi
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do
  curl -sf "http://127.0.0.1:$port/notes.txt" >/dev/null && break
  sleep 0.1
done

echo "Demo program directory: $out/program"
echo "Packs served at http://127.0.0.1:$port/"
echo "Before the update the demo program says: $(says "$out/program/demo.exe")"
if [ -n "${DISPLAY:-}" ]; then
  "${updater[@]}"
  sleep 0.5
  echo "After the update the demo program says: $(says "$out/program/demo.exe")"
  exit 0
fi

# No display: a private X server; the script presses the keys and takes the screenshots.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
read -r -u "$fd" display
export DISPLAY=":$display"

"${updater[@]}" &
app=$!
wid=""
for _ in $(seq 600); do
  wid=$(xdotool search --onlyvisible --name '^Demo Notes Update$' 2>/dev/null | head -n 1 || true)
  [ -n "$wid" ] && break
  sleep 0.1
done
if [ -z "$wid" ]; then
  echo "The dialog did not appear." >&2
  exit 1
fi

shoot() {
  local shot="$out/screenshots/$1.png"
  import -window root -crop "$(xdotool getwindowgeometry --shell "$wid" |
    awk -F= '/^WIDTH/{w=$2} /^HEIGHT/{h=$2} /^X/{x=$2} /^Y/{y=$2} END{print w "x" h "+" x "+" y}')" "$shot"
  echo "Screenshot of the $1 dialog: $shot"
}
press() {
  xdotool windowfocus --sync "$wid"
  sleep 0.2
  xdotool key --clearmodifiers "$1"
}

sleep 0.5
shoot ready
press Return
sleep 1.5
shoot downloading
# Finished: the archive is unpacked and gone, and the release notes are in place.
for _ in $(seq 300); do
  [ -f "$out/program/notes.txt" ] && [ ! -e "$out/program/demo.zip" ] && break
  sleep 0.1
done
sleep 1
shoot finished
press Return
for _ in $(seq 300); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then
  echo "The dialog did not end after Finish." >&2
  exit 1
fi
sleep 0.5
echo "After the update the demo program says: $(says "$out/program/demo.exe")"
if [ "$platform" = windows ]; then
  # Wine starts programs by their name's extension: the backup runs under an .exe name.
  cp "$out/program/demo.bak" "$out/demo-backup.exe"
  echo "Its backup says: $(says "$out/demo-backup.exe")"
else
  echo "Its backup says: $(says "$out/program/demo.bak")"
fi
