#!/usr/bin/env bash
# Opens a file in a program the way a user does (its command line) and waits
# until the process has used no CPU for 0.3 s: prints the CPU time it used to
# get there and its peak memory. Each run uses fresh settings folders.
#   bench/open-quiet.sh FILE [PROGRAM]   (default: build/bin/quillpress)
# Runs on the platform QT_QPA_PLATFORM names (default offscreen); on a real X
# server (DISPLAY set, QT_QPA_PLATFORM=xcb) it measures drawing too.
set -euo pipefail
file=$(realpath "$1")
program=${2:-$(dirname "$0")/../build/bin/quillpress}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
ticks_per_second=$(getconf CLK_TCK)

HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share XDG_STATE_HOME=$home/.local/state \
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$program" "$file" >/dev/null 2>&1 &
pid=$!
started=$(date +%s%N)
previous=-1 quiet=0 ticks=0
# Up to a minute, in steps of 50 ms; quiet after six steps without CPU.
for _ in $(seq 1 1200); do
  sleep 0.05
  ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null) || { echo "the program ended" >&2; exit 1; }
  if [ "$ticks" = "$previous" ]; then quiet=$((quiet + 1)); else quiet=0; fi
  previous=$ticks
  [ "$quiet" -ge 6 ] && break
done
ended=$(date +%s%N)
peak=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
kill "$pid"
wait "$pid" 2>/dev/null || true
awk -v t="$ticks" -v hz="$ticks_per_second" -v w="$(( (ended - started) / 1000000 - 300 ))" -v kb="$peak" \
  'BEGIN { printf "cpu %.2f s, quiet after %.2f s, peak memory %.1f MiB\n", t / hz, w / 1000, kb / 1024 }'
