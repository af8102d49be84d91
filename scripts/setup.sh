#!/usr/bin/env bash
# Installs what is missing of the packages the program needs to build, plus any given as
# arguments. Run by run.sh, test.sh and package.sh; each configures and builds only what it uses.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh build-essential cmake ninja-build qt6-base-dev qt6-serialport-dev \
    qt6-qpa-plugins libgl-dev help2man "$@"
