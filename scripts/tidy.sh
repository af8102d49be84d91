#!/usr/bin/env bash
# Runs clang-tidy over the sources with the build's compile commands. Too slow for every CI run
# on two cores; run it before a larger change lands.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/compile_commands.json ] || bash scripts/setup.sh
git ls-files -- 'src/*.cpp' 'sim/*.cpp' | xargs -P2 -n4 clang-tidy -p build --quiet "$@"
