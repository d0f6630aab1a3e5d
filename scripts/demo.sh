#!/usr/bin/env bash
# Runs the updater on the bundled demo: a program directory with its own Update.ini and demo
# program, and packs served by a loopback HTTP server that this script starts and stops.
# Under a display the dialog is yours to click through; without one it runs under Xvfb, and
# the script saves a screenshot of the dialog and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
bash scripts/setup.sh

cmake -S . -B build/demo -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/demo -j "$(nproc)" --target Update

out="$repo/build/demo/run"
rm -rf "$out"
mkdir -p "$out/packs" "$out/screenshots"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 demo/make_demo.py "$out/program" "$out/packs" "$port"
cp build/demo/Update "$out/program/Update"

python3 -m http.server "$port" --bind 127.0.0.1 --directory "$out/packs" >"$out/server.log" 2>&1 &
server=$!
xvfb=""
cleanup() {
  kill "$server" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do
  curl -sf "http://127.0.0.1:$port/notes.txt" >/dev/null && break
  sleep 0.1
done

echo "Demo program directory: $out/program"
echo "Packs served at http://127.0.0.1:$port/"
if [ -n "${DISPLAY:-}" ]; then
  "$out/program/Update"
  echo "The demo program now says: $("$out/program/demo.exe")"
  exit 0
fi

# No display: a private X server, a screenshot of the dialog, then Escape.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
read -r -u "$fd" display
export DISPLAY=":$display"
"$out/program/Update" &
app=$!
wid=""
for _ in $(seq 150); do
  wid=$(xdotool search --onlyvisible --name '^Demo Notes Update$' 2>/dev/null | head -n 1 || true)
  [ -n "$wid" ] && break
  sleep 0.1
done
if [ -z "$wid" ]; then
  echo "The dialog did not appear." >&2
  exit 1
fi
sleep 0.5
shot="$out/screenshots/dialog.png"
import -window root -crop "$(xdotool getwindowgeometry --shell "$wid" |
  awk -F= '/^WIDTH/{w=$2} /^HEIGHT/{h=$2} /^X/{x=$2} /^Y/{y=$2} END{print w "x" h "+" x "+" y}')" "$shot"
echo "Screenshot of the dialog: $shot"
xdotool windowfocus --sync "$wid" key Escape
wait "$app"
