#!/bin/bash
# Start-up of the real program under a private X server: time from the start of the process
# until its main window is on screen, and the resident memory once it is up (VmRSS one second
# after the window appeared, and the peak VmHWM). Median of several starts. The processor time
# the program used until its window appeared is given too: on a busy machine it varies much
# less than the wall-clock time.
#
#   bench_window [program] [runs]     (default: tavrel beside this script, 5 runs)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
PROGRAM=${1:-$HERE/tavrel}
RUNS=${2:-5}
for tool in Xvfb xdotool; do
  command -v $tool >/dev/null || { echo "bench_window: $tool missing, skipped"; exit 0; }
done

WORK=$(mktemp -d)
XPID=""
cleanup() {
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1280x1024x24 3>"$WORK/display" >/dev/null 2>&1 &
XPID=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$WORK/display")"
export XDG_RUNTIME_DIR="$WORK/runtime" XDG_DATA_HOME="$WORK/data" HOME="$WORK/home"
mkdir -p -m 700 "$XDG_RUNTIME_DIR" && mkdir -p "$XDG_DATA_HOME" "$HOME"

# The main window: a visible "Tavrel" window larger than Qt's 1x1 helper windows.
main_window_shown() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$1" --name '^Tavrel$' 2>/dev/null); do
    xdotool getwindowgeometry "$w" 2>/dev/null | grep -q 'Geometry: 1x1' || return 0
  done
  return 1
}

# User + system time of a process in milliseconds.
cpu_ms() {
  awk -v hz="$(getconf CLK_TCK)" '{print int(($14 + $15) * 1000 / hz)}' "/proc/$1/stat"
}

times=() cpus=() rss=() hwm=()
for run in $(seq "$RUNS"); do
  start=$(date +%s%N)
  "$PROGRAM" >/dev/null 2>&1 &
  pid=$!
  shown=""
  for _ in $(seq 3000); do  # at most about 30 s
    if main_window_shown $pid; then
      shown=$(date +%s%N)
      cpus+=($(cpu_ms $pid))
      break
    fi
    kill -0 $pid 2>/dev/null || break
    sleep 0.01
  done
  if [ -z "$shown" ]; then
    echo "bench_window: no window from $PROGRAM" >&2
    kill $pid 2>/dev/null || true
    exit 1
  fi
  sleep 1
  rss+=($(awk '/^VmRSS/ {print $2}' /proc/$pid/status))
  hwm+=($(awk '/^VmHWM/ {print $2}' /proc/$pid/status))
  times+=($(( (shown - start) / 1000000 )))
  kill $pid
  wait $pid 2>/dev/null || true
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
echo "bench_window: $PROGRAM, $RUNS starts"
echo "  to the window:   median $(median "${times[@]}") ms   (all: ${times[*]})"
echo "  processor time:  median $(median "${cpus[@]}") ms   (all: ${cpus[*]})"
echo "  resident (RSS):  median $(( $(median "${rss[@]}") / 1024 )) MB   (kB: ${rss[*]})"
echo "  peak (VmHWM):    median $(( $(median "${hwm[@]}") / 1024 )) MB"
