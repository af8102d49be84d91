#!/usr/bin/env bash
# Runs clang-tidy over the sources with the build's compile commands. Too slow for every CI run
# on two cores; run it before a larger change lands.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh clang-tidy
[ -f build/compile_commands.json ] || cmake --preset default >/dev/null
git ls-files -- 'src/*.cpp' 'sim/*.cpp' | xargs -P2 -n4 clang-tidy -p build --quiet "$@"
