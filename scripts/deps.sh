#!/usr/bin/env bash
# Installs the build and test tools that are missing; does nothing when all are there.
set -euo pipefail
source "$(dirname "$0")/common.sh"

# Without recommended packages Wine has none of its own fonts (caption buttons, Tahoma, MS Sans Serif)
# and nothing with Arial's, Times New Roman's or Courier New's metrics: fonts-wine and fonts-liberation2.
# The fuzz test builds the window-free note code natively: clang, its libFuzzer and sanitizer
# runtimes (libclang-rt-dev), and llvm for the symbolizer that names the lines of a report.
packages=(cmake make g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth xdotool imagemagick googletest unrtf python3
  fonts-wine fonts-liberation2 clang libclang-rt-dev llvm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
as_root apt-get update
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
