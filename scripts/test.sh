#!/usr/bin/env bash
# Builds everything, sanitizer variants included, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VANDREL_CMAKE_ARGS="-DVANDREL_TESTS=ON" "$root/scripts/setup.sh"
cd "$root/build"
ctest --output-on-failure -j "$(nproc)" "$@"
