#!/usr/bin/env bash
# Set up, build the window program alone (not the tests), and start it with a simulated unit.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j 2 --target orvex-config
exec build/src/app/orvex-config --simulate "$@"
