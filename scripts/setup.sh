#!/usr/bin/env bash
# Installs the Debian 12 packages kestril needs to build and test, when missing.
# Safe to run again: it installs nothing that is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang pkg-config python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libcairo2-dev libfreetype-dev libfontconfig-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev
  fonts-ipafont-gothic fonts-ipafont-mincho
  fonts-nanum fonts-hanazono
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev binutils-mingw-w64-i686
  wine64 xvfb
  libgdk-pixbuf-2.0-dev libgdk-pixbuf2.0-bin shared-mime-info libglib2.0-bin dpkg-dev
)
# The core in WebAssembly: Debian's Emscripten (its system libraries come prebuilt) and
# the parser its optimiser needs (found through NODE_PATH=/usr/share/nodejs).
packages+=(emscripten node-acorn)
# The web page's browser tests: Debian's chromium driven from Node.js (npm brings the
# driver). npm comes inside some Node.js packages and apart in Debian's.
packages+=(chromium nodejs)
if ! command -v npm >/dev/null; then packages+=(npm); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}"
