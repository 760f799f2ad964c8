#!/usr/bin/env bash
# Screenshots of the windows on a virtual display, into docs/:
#   main-window-empty.png   the program as it starts
#   main-window.png         the main window with sample rows and links
#   seed-preview.png        the seed preview window over it
# Uses Xvfb, the twm window manager (for the frames) and ImageMagick's import.
#   QUILLFEN_BUILD_DIR   build folder (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QUILLFEN_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target quillfen quillfen-window-shots -j2

display=":${QUILLFEN_DISPLAY:-91}"
Xvfb "$display" -screen 0 1024x640x24 -nolisten tcp &
xvfb=$!
cleanup() { kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
if command -v twm >/dev/null; then
  # Windows go where the program puts them, without asking for a click.
  twmrc=$(mktemp)
  # Xvfb has only its built-in "fixed" font, so the title bar cannot show Chinese.
  printf 'UsePPosition "on"\nRandomPlacement\nNoGrabServer\n' >"$twmrc"
  for f in TitleFont ResizeFont MenuFont IconFont IconManagerFont; do printf '%s "fixed"\n' "$f" >>"$twmrc"; done
  LC_ALL=C twm -display "$display" -f "$twmrc" >/dev/null 2>&1 &
  wm=$!
  trap 'kill $wm 2>/dev/null || true; rm -f "$twmrc"; cleanup' EXIT
  sleep 0.5
fi

shoot() {  # shoot OUTPUT COMMAND...
  local out=$1
  shift
  "$@" &
  local pid=$!
  sleep 3
  import -window root "$out"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "wrote $out"
}

mkdir -p docs
shoot docs/main-window-empty.png "$build/app/quillfen"
shoot docs/main-window.png "$build/app/quillfen-window-shots" main
shoot docs/seed-preview.png "$build/app/quillfen-window-shots" preview
