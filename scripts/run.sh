#!/usr/bin/env bash
# Set up, build, and start the utility with a simulated unit attached.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
exec build/src/app/orvex-config --simulate "$@"
