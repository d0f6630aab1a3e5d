#!/usr/bin/env bash
# Download throughput: a 256 MiB file served from loopback by nginx on a free port is
# downloaded several times by each case and by `curl -s -o` as the peer, interleaved in the
# same run. Prints, last, one line per case:
#   RESULT <case> ours=<median s> peer=<median s> ratio=<ours/peer> rss_mib=<our peak RSS>
# except the signed case, whose peer is the unsigned worker case of the same run:
#   RESULT signed ours=<median s> peer=<worker median s> ratio=<signed/worker> rss_mib=...
#
# Cases:
#   net     the internet layer alone (net_download_bench: 512-byte reads, 64 KiB writes)
#   worker  the worker on the headless back end, real internet layer and files, from the
#           Update command until the dialog reads Finish
#   dialog  the real dialog under Xvfb, from the Return key until the pack is in place
#   wininet the Windows build's internet layer under Wine (net_download_bench.exe:
#           512-byte reads, 64 KiB writes), Wine's start of the program included
#   windows the worker case built for Windows (download_worker_bench.exe: the worker over
#           WinInet and kernel32 on the headless back end) under Wine, with the program
#           directory given as its Z:\ path; timed by the driver, so Wine's start is not
#   signed  the worker case with a PublicKey in Update.ini and pack.bin.minisig (made with
#           minisign) on the server: the same pack with its signature checked
# The worker, signed, dialog, wininet and windows cases run when their drivers (and
# minisign) are there (wininet, windows: built by scripts/build-windows.sh into
# WINDOWS_BUILD_DIR). The Wine cases share one private prefix made for this run.
#
# Peak RSS: the worker driver reports its own peak (VmHWM; under Wine PeakWorkingSetSize,
# which counts Wine's own pages in the process too); the other cases give the child's
# ru_maxrss, which on Linux is at least the RSS of the Python process that started it
# (about 14 MiB), so the net figure is a floor, not the layer's own.
#
# Environment: RUNS (default 7), SIZE_MIB (default 256), BUILD_DIR (default build/bench-dl),
# SKIP_BUILD=1 to use BUILD_DIR as it is, WINDOWS_BUILD_DIR (default build/windows), CASES (a
# space-separated choice of the cases above; default every built one).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
# start_nginx, median, peak
source "$root/bench/common.sh"
runs=${RUNS:-7}
size_mib=${SIZE_MIB:-256}
build=${BUILD_DIR:-build/bench-dl}
measure="python3 $root/bench/download/measure.py"
size_bytes=$((size_mib * 1024 * 1024))
# The server is on loopback: every case and the peer go to it directly.
export no_proxy='*'
unset http_proxy https_proxy all_proxy HTTP_PROXY HTTPS_PROXY ALL_PROXY

if [ "${SKIP_BUILD:-0}" != 1 ]; then
  bash scripts/setup.sh
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target net_download_bench download_worker_bench Update
fi
net_driver=$build/bench/download/net_download_bench

# worker: runs the worker on the headless back end over a program directory whose
#   Update.ini names the pack, from Update to Finish; checks the pack's size and prints
#   "<seconds> <peak RSS KiB>".
worker_driver=$build/bench/download/download_worker_bench
# dialog: runs the real Update executable under Xvfb, from the Return key until the pack is
#   in place; prints "<seconds> <peak RSS KiB>" (process start-up is not timed).
dialog_driver=$root/bench/download/dialog_bench.py
update_exe=$build/Update
# wininet, windows: the Windows drivers, run in a private Wine prefix made for this run.
windows_build=${WINDOWS_BUILD_DIR:-build/windows}
wininet_driver=$windows_build/bench/download/net_download_bench.exe
windows_worker_driver=$windows_build/bench/download/download_worker_bench.exe
# The Windows worker waits 10 minutes at most for Finish; Wine itself gets a little more.
windows_limit_s=660

work=$(mktemp -d /tmp/update-bench-download-XXXXXX)
nginx_pid=
cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then timeout 30 wineserver -k 2>/dev/null || true; fi
  if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The file, readable by nginx's worker user.
mkdir -p "$work/www" "$work/nginx"
head -c "$size_bytes" /dev/urandom > "$work/www/pack.bin"
chmod 755 "$work" "$work/www"
chmod 644 "$work/www/pack.bin"
public_key=
if command -v minisign >/dev/null; then
  mkdir -p "$work/key"
  minisign -G -W -p "$work/key/pack.pub" -s "$work/key/pack.key" >/dev/null
  minisign -S -s "$work/key/pack.key" -m "$work/www/pack.bin" >/dev/null
  chmod 644 "$work/www/pack.bin.minisig"
  public_key=$(sed -n 2p "$work/key/pack.pub")
fi

start_nginx "$work"
url=http://127.0.0.1:$port/pack.bin

# One timed run of a command; appends "<seconds> <rss KiB>" to the file $1.
timed() {
  local into=$1
  shift
  $measure "$@" >> "$into"
}

cases=(net)
[ -x "$worker_driver" ] && cases+=(worker)
[ -x "$worker_driver" ] && [ -n "$public_key" ] && cases+=(signed)
[ -x "$update_exe" ] && cases+=(dialog)
[ -f "$wininet_driver" ] && cases+=(wininet)
[ -f "$windows_worker_driver" ] && cases+=(windows)
if [ -n "${CASES:-}" ]; then
  read -r -a cases <<< "$CASES"
fi
if [[ " ${cases[*]} " == *" wininet "* || " ${cases[*]} " == *" windows "* ]]; then
  export WINEPREFIX=$work/wineprefix
  bash scripts/wine-prefix.sh "$WINEPREFIX"
fi

windows_path() {  # an absolute Linux path as Wine's Z: drive shows it
  printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"
}

run_case() {  # case run-number
  local out=$work/out.bin dir=$work/program
  rm -rf "$out" "$dir"
  case $1 in
    net) timed "$work/ours.net" "$net_driver" "$url" "$out" ;;
    worker) mkdir -p "$dir"; "$worker_driver" "$url" "$dir/" "$size_bytes" >> "$work/ours.worker"; out=$dir/pack.bin ;;
    signed) mkdir -p "$dir"
      "$worker_driver" "$url" "$dir/" "$size_bytes" "$public_key" >> "$work/ours.signed"
      out=$dir/pack.bin ;;
    wininet) timed "$work/ours.wininet" tests/tools/wine_run.sh "$wininet_driver" "$url" "$out" ;;
    windows) mkdir -p "$dir"
      timeout "$windows_limit_s" tests/tools/wine_run.sh "$windows_worker_driver" "$url" \
        "$(windows_path "$dir")" "$size_bytes" > "$work/line" ||
        { echo "case windows: the driver failed, or did not end within $windows_limit_s s" >&2; exit 1; }
      # A Windows program ends its lines with CR LF.
      tr -d '\r' < "$work/line" >> "$work/ours.windows"
      out=$dir/pack.bin ;;
    dialog) mkdir -p "$dir"
      python3 "$dialog_driver" "$update_exe" "$url" "$dir" "$size_bytes" >> "$work/ours.dialog"
      out=$dir/pack.bin ;;
  esac
  cmp -s "$out" "$work/www/pack.bin" || { echo "case $1: the downloaded file differs" >&2; exit 1; }
}

: > "$work/peer"
for i in $(seq "$runs"); do
  rm -f "$work/peer.bin"
  timed "$work/peer" curl -s -o "$work/peer.bin" "$url"
  # The worker flushes the file system twice per pack (before and after it commits); what the
  # cases before it left unwritten must not be flushed on its clock, so each case starts clean.
  for c in "${cases[@]}"; do sync; run_case "$c" "$i"; done
  echo "run $i: peer $(tail -1 "$work/peer")$(for c in "${cases[@]}"; do printf ', %s %s' "$c" "$(tail -1 "$work/ours.$c")"; done)"
done

peer=$(median "$work/peer" 1)
for c in net worker signed dialog wininet windows; do
  if [ ! -f "$work/ours.$c" ]; then
    echo "SKIP $c: not run (its driver is not built, or CASES left it out)"
  fi
done
for c in "${cases[@]}"; do
  ours=$(median "$work/ours.$c" 1)
  peer=$(median "$work/peer" 1)
  [ "$c" = signed ] && peer=$(median "$work/ours.worker" 1)
  echo "RESULT $c ours=$ours peer=$peer ratio=$(awk -v a="$ours" -v b="$peer" 'BEGIN { printf "%.3f", a / b }') rss_mib=$(peak "$work/ours.$c")"
done
