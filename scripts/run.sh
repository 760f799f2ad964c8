#!/usr/bin/env bash
# Installs what the project needs, builds it and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"

if [ -x build/app/quillfen ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec build/app/quillfen
fi
echo "No display (or no GUI build): showing the command-line tool instead." >&2
exec build/cli/quillfen-cli --help
