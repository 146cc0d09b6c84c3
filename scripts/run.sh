#!/usr/bin/env bash
# Builds the program and starts it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VANDREL_CMAKE_ARGS="-DVANDREL_TESTS=OFF" VANDREL_BUILD_TARGETS=vandrel "$root/scripts/setup.sh"
exec "$root/build/vandrel" "$@"
