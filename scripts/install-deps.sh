#!/usr/bin/env bash
# Installs every Debian package Quillfen needs to build, test, benchmark and demo.
# Safe to run again: apt-get only installs what is missing.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git clang libclang-rt-14-dev
  # libraries
  libre2-dev libpcre2-dev libcurl4-openssl-dev libssl-dev qt6-base-dev libgl-dev nlohmann-json3-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  curl openssl python3 valgrind
  # 32-bit Windows test images for the module loader
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  # GUI on a headless machine: virtual display, CJK font, screenshots
  xvfb xauth x11-apps imagemagick fonts-wqy-microhei openbox xdotool
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
