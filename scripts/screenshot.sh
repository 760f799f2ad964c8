#!/usr/bin/env bash
# Screenshots of the program on a virtual display, into docs/:
#   main-window-empty.png          the program as it starts
#   main-window.png                the main window with sample rows and links
#   seed-preview.png               the seed preview window over it
#   main-window-unskinned.png      the same two windows without the skin
#   seed-preview-unskinned.png
#   demo-search.png                the demo: a real search over the sample sites, then a click on a result
#   demo-preview.png               the demo's links in the seed preview window
# Uses Xvfb, the openbox window manager (its title bars draw Chinese), xdotool
# and ImageMagick's import.
#   QUILLFEN_BUILD_DIR   build folder (default: build)
#   QUILLFEN_KEYWORD     keyword the demo types (default: 地球)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QUILLFEN_BUILD_DIR:-build}
keyword=${QUILLFEN_KEYWORD:-地球}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target quillfen quillfen-window-shots quillfen-demo -j2

display=":${QUILLFEN_DISPLAY:-91}"
pids=()
cleanup() { for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done; }
trap cleanup EXIT
Xvfb "$display" -screen 0 1024x640x24 -nolisten tcp &
pids+=("$!")
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=("$!")
sleep 1

# Waits for the visible window named $1 and prints its id.
window_named() {
  local id=""
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "screenshot: no window named $1" >&2; exit 1; }
  echo "$id"
}

shoot() {  # shoot OUTPUT COMMAND...
  local out=$1
  shift
  "$@" &
  local pid=$!
  window_named Quillfen >/dev/null
  sleep 2
  import -window root "$out"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "wrote $out"
}

mkdir -p docs
shoot docs/main-window-empty.png "$build/app/quillfen"
shoot docs/main-window.png "$build/app/quillfen-window-shots" main
shoot docs/seed-preview.png "$build/app/quillfen-window-shots" preview
shoot docs/main-window-unskinned.png "$build/app/quillfen-window-shots" main --unskinned
shoot docs/seed-preview-unskinned.png "$build/app/quillfen-window-shots" preview --unskinned

# The demo, driven as a person would: type, press 开始, click a result, open the preview.
"$build/samplesites/demo/quillfen-demo" &
demo=$!
pids+=("$demo")
window=$(window_named Quillfen)
sleep 1
xdotool windowactivate --sync "$window"
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.3; }
click 188 28                   # keywordEdit
xdotool type --delay 80 "x$keyword"   # the first character typed this way can get lost: a throwaway one
xdotool key Home Delete
sleep 0.5
click 412 28                   # startButton
sleep 8                        # thirteen queries and pauses (2.6 s of them fixed)
click 120 184                  # the fifth result row (电影港)
sleep 2.5
import -window root docs/demo-search.png
echo "wrote docs/demo-search.png"
click 728 300                  # openPreviewButton
sleep 2.5
import -window root docs/demo-preview.png
echo "wrote docs/demo-preview.png"
