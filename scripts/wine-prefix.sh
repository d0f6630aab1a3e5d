#!/usr/bin/env bash
# Makes a fresh private Wine prefix in $1 for the Windows build's tests and demo, and leaves
# its wineserver running (warmed up) so that programs start at once.
#   bash scripts/wine-prefix.sh build/windows/wineprefix
# Stop it afterwards with: WINEPREFIX=<dir> wineserver -k
set -euo pipefail
prefix=$(realpath -m "$1")
# A server of an earlier prefix at this place would outlive its removal.
if [ -d "$prefix" ]; then WINEPREFIX=$prefix timeout 30 wineserver -k 2>/dev/null || true; fi
rm -rf "$prefix"
mkdir -p "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"

timeout 120 wineboot --init </dev/null >/dev/null 2>&1 ||
  { echo "wine-prefix.sh: wineboot --init did not finish within 120 s" >&2; exit 1; }
timeout 60 wineserver -w ||
  { echo "wine-prefix.sh: the prefix's wineserver did not settle within 60 s" >&2; exit 1; }

# Without a window manager each dialog close waits about 2 s unless Wine manages no window.
cat > "$prefix/managed.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
REG
timeout 60 /usr/lib/wine/wine64 regedit /S 'Z:'"$(echo "$prefix/managed.reg" | tr / '\\')" \
  </dev/null >/dev/null 2>&1 ||
  { echo "wine-prefix.sh: regedit did not finish within 60 s" >&2; exit 1; }
timeout 60 wineserver -w || { echo "wine-prefix.sh: wineserver did not settle" >&2; exit 1; }

# Wine's own Tahoma and Marlett, which the prefix does not find by itself ("MS Shell Dlg").
cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf \
  /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"

# Start the wineserver and Wine's background processes once, with their output away from any
# caller's pipes: otherwise ctest waits about 2 s per test for them to let go of its pipe.
wineserver -p </dev/null >/dev/null 2>&1
timeout 60 /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1 ||
  { echo "wine-prefix.sh: the first program under Wine did not end within 60 s" >&2; exit 1; }
