#!/usr/bin/env bash
# Runs a program of the Windows build under Wine's 64-bit loader, in the private prefix that
# scripts/wine-prefix.sh made for this run (WINEPREFIX), never in the user's own.
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine_run.sh: WINEPREFIX must name a prefix made by scripts/wine-prefix.sh" >&2
  exit 2
fi
export WINEDEBUG=-all
# No Mono or Gecko installers, no menu entries in $HOME, and no debugger that could turn a
# crash into exit status 0.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
exec /usr/lib/wine/wine64 "$@"
