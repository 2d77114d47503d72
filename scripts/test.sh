#!/usr/bin/env bash
# Runs every test, one after the other, and exits with ctest's status.
set -euo pipefail
source "$(dirname "$0")/common.sh"

exec scripts/headless.sh ctest --test-dir build --output-on-failure --no-tests=error "$@"
