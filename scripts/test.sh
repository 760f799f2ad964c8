#!/usr/bin/env bash
# Installs what the project needs, builds it and runs the whole test suite.
#   QUILLFEN_BUILD_DIR   build folder (default: build)
#   QUILLFEN_BUILD_TYPE  CMake build type (default: RelWithDebInfo)
#   QUILLFEN_CMAKE_ARGS  extra CMake arguments, e.g. -DQUILLFEN_SANITIZE=ON
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=${QUILLFEN_BUILD_DIR:-build}
# shellcheck disable=SC2086
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${QUILLFEN_BUILD_TYPE:-RelWithDebInfo}" ${QUILLFEN_CMAKE_ARGS:-}
cmake --build "$build" -j"$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300
