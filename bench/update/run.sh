#!/usr/bin/env bash
# A whole update of one archive pack (a large entry plus 2,000 small files in 50 directories)
# from nginx on loopback through the headless dialog (download into the staging area, unpack
# and check there, journal, commit, one syncfs before and one after), against a peer in the
# same run, interleaved. Prints, last:
#   RESULT update big_mib=<N> ours=<median s> peer=<median s> ratio=<ours/peer> rss_mib=<peak>
# once per pack size, so that the peak RSS can be compared across sizes.
#
# The peer: PEER=copy (the default) runs `curl -s -o pack.zip URL && cp -r TREE/. DIR && sync`,
# TREE holding the archive's files as written by make_pack.py (no unpacking at all, so a
# stricter peer than an unpacker); PEER=unzip runs
# `curl -s -o pack.zip URL && unzip -q -o pack.zip -d DIR && sync`.
#
# Environment: RUNS (default 5), SIZES (large-entry sizes in MiB, default "48 192"),
# BUILD_DIR (default build/bench-update), SKIP_BUILD=1, PEER.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
# start_nginx, median, peak
source "$root/bench/common.sh"
runs=${RUNS:-5}
sizes=${SIZES:-48 192}
build=${BUILD_DIR:-build/bench-update}
peer_kind=${PEER:-copy}
export no_proxy='*'
unset http_proxy https_proxy all_proxy HTTP_PROXY HTTPS_PROXY ALL_PROXY

if [ "${SKIP_BUILD:-0}" != 1 ]; then
  bash scripts/setup.sh
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j2 --target update_bench
fi
driver=$build/bench/update/update_bench
measure="python3 $root/bench/download/measure.py"

work=$(mktemp -d /tmp/update-bench-update-XXXXXX)
nginx_pid=
cleanup() {
  if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www" "$work/nginx"
chmod 755 "$work" "$work/www"
start_nginx "$work"
url=http://127.0.0.1:$port/pack.zip

peer() {  # one timed run of the peer into $work/peer-dir
  local dir=$work/peer-dir
  rm -rf "$dir" "$work/peer.zip"
  mkdir -p "$dir"
  case $peer_kind in
    copy) $measure sh -c "curl -s -o '$work/peer.zip' '$url' && cp -r '$work/tree/.' '$dir' && sync" ;;
    unzip) $measure sh -c "curl -s -o '$work/peer.zip' '$url' && unzip -q -o '$work/peer.zip' -d '$dir' && sync" ;;
    *) echo "unknown PEER $peer_kind" >&2; exit 1 ;;
  esac
}

results=()
for big in $sizes; do
  rm -rf "$work/tree" "$work/www/pack.zip"
  python3 "$root/bench/update/make_pack.py" "$work/www/pack.zip" "$work/tree" "$big"
  chmod 644 "$work/www/pack.zip"
  : > "$work/ours"; : > "$work/peer"
  for i in $(seq "$runs"); do
    peer >> "$work/peer"
    rm -rf "$work/program"; mkdir -p "$work/program"
    "$driver" "$url" "$work/program/" big.bin $((big << 20)) >> "$work/ours"
    cmp -s "$work/program/big.bin" "$work/tree/big.bin" || { echo "big.bin differs" >&2; exit 1; }
    [ "$(find "$work/program" -type f | wc -l)" = 2003 ] || { echo "files missing or left over" >&2; exit 1; }
    echo "big $big MiB, run $i: peer $(tail -1 "$work/peer"), ours $(tail -1 "$work/ours")"
  done
  ours=$(median "$work/ours" 1); theirs=$(median "$work/peer" 1)
  results+=("RESULT update big_mib=$big peer=$peer_kind ours=$ours peer_s=$theirs ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "%.3f", a / b }') rss_mib=$(peak "$work/ours")")
done
printf '%s\n' "${results[@]}"
