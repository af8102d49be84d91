#!/usr/bin/env bash
# Tests are to be a quarter to a third of the code: the lines of tests/ (support included) against
# those of src/ and sim/, C++ sources and headers, every line counted.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { find "$@" \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat | wc -l; }
tests=$(count tests)
code=$(count src sim)
ratio=$(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.3f", t / c }')
echo "tests: $tests lines; src and sim: $code lines; ratio $ratio (allowed 0.25 to 0.35)"
awk -v r="$ratio" 'BEGIN { exit !(r >= 0.25 && r <= 0.35) }'
