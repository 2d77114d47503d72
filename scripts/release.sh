#!/usr/bin/env bash
# Builds the program as shipped (optimised, stripped, static) into build/release/, apart from the
# development tree in build/ and its tests.
set -euo pipefail
source "$(dirname "$0")/common.sh"

cmake --preset release >/dev/null
cmake --build --preset release
