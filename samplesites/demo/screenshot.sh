#!/usr/bin/env bash
# The demo on a virtual display: types a keyword, presses 开始, waits for the
# search over the sample sites, clicks a result, and saves the screen to
#   docs/demo-search.png
# Uses Xvfb, xdotool and ImageMagick's import (and twm for frames, if present).
#   QUILLFEN_BUILD_DIR   build folder (default: build)
#   QUILLFEN_KEYWORD     keyword to type (default: 地球)
set -euo pipefail
cd "$(dirname "$0")/../.."

build=${QUILLFEN_BUILD_DIR:-build}
keyword=${QUILLFEN_KEYWORD:-地球}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target quillfen-demo -j2

display=":${QUILLFEN_DISPLAY:-93}"
Xvfb "$display" -screen 0 1024x640x24 -nolisten tcp &
xvfb=$!
pids=("$xvfb")
twmrc=$(mktemp)
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  rm -f "$twmrc"
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
if command -v twm >/dev/null; then
  # Frames for the windows, placed where the program puts them.
  printf 'UsePPosition "on"\nRandomPlacement\nNoGrabServer\n' >"$twmrc"
  for f in TitleFont ResizeFont MenuFont IconFont IconManagerFont; do printf '%s "fixed"\n' "$f" >>"$twmrc"; done
  LC_ALL=C twm -display "$display" -f "$twmrc" >/dev/null 2>&1 &
  pids+=("$!")
  sleep 0.5
fi

"$build/samplesites/demo/quillfen-demo" &
pids+=("$!")
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name Quillfen 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "screenshot: the window did not appear" >&2; exit 1; }
sleep 1

click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.3; }
click 188 28                   # keywordEdit
xdotool type --delay 50 "$keyword"
click 412 28                   # startButton
sleep 4                        # thirteen queries and pauses
click 120 184                  # the fifth result row (电影港)
sleep 1.5
mkdir -p docs
import -window root docs/demo-search.png
echo "screenshot: docs/demo-search.png"
