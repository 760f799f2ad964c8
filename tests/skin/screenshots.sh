#!/usr/bin/env bash
# Screenshots of the main and seed preview windows with our skin and without,
# on a virtual display, into docs/skin-*.png.
#   QUILLFEN_BUILD_DIR   build folder (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."

build=${QUILLFEN_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target skin_window_shots -j2
tool="$build/tests/skin/skin_window_shots"

display=":${QUILLFEN_DISPLAY:-93}"
Xvfb "$display" -screen 0 1024x640x24 -nolisten tcp &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
if command -v twm >/dev/null; then
  twmrc=$(mktemp)
  printf 'UsePPosition "on"\nRandomPlacement\nNoGrabServer\n' >"$twmrc"
  for f in TitleFont ResizeFont MenuFont IconFont IconManagerFont; do printf '%s "fixed"\n' "$f" >>"$twmrc"; done
  LC_ALL=C twm -display "$display" -f "$twmrc" >/dev/null 2>&1 &
  wm=$!
  trap 'kill $wm 2>/dev/null || true; rm -f "$twmrc"; kill $xvfb 2>/dev/null || true' EXIT
  sleep 0.5
fi

shoot() {  # shoot OUTPUT ARGS...
  local out=$1
  shift
  "$tool" "$@" &
  local pid=$!
  sleep 3
  import -window root "$out"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "wrote $out"
}

mkdir -p docs
shoot docs/skin-main-window.png main
shoot docs/skin-seed-preview.png preview
shoot docs/skin-main-window-unskinned.png main --unskinned
shoot docs/skin-seed-preview-unskinned.png preview --unskinned
