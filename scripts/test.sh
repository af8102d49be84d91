#!/usr/bin/env bash
# Set up, build, and run every test: formatting, then all CTest labels (unit, widget, e2e).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

echo "== formatting"
git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== tests"
ctest --test-dir build --output-on-failure -j2 "$@"
