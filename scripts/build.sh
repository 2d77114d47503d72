#!/usr/bin/env bash
# Configures (cheap when already done) and builds everything into build/.
set -euo pipefail
source "$(dirname "$0")/common.sh"

cmake --preset mingw
cmake --build --preset mingw
