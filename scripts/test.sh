#!/usr/bin/env bash
# Set up, build, and run every test: formatting, all CTest labels (unit, widget, e2e, slow), the
# whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of
# each fuzz target. Arguments go to the first CTest run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
# clang and its runtime for the fuzz targets; the validators for the installed desktop files.
bash scripts/setup.sh clang-format clang libclang-rt-14-dev desktop-file-utils appstream locales
cmake --preset default >/dev/null
cmake --build --preset default -j 2

# Some tests run a second time under a decimal-comma locale; without it they fail on purpose.
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
    echo "Making the de_DE.UTF-8 locale"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

echo "== formatting"
git ls-files -- '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== size of the tests against the code"
bash scripts/test-ratio.sh

echo "== tests"
ctest --test-dir build --output-on-failure -j2 "$@"

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan -j 2
# Leak reports stay on; only Qt's own one-off allocations are suppressed.
ASAN_OPTIONS=abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
LSAN_OPTIONS=suppressions=$root/tests/reliability/lsan.supp:print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j2

echo "== fuzzing (20 s a target)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2
fuzz_work=$(mktemp -d)
trap 'rm -rf "$fuzz_work"' EXIT
for corpus in fuzz/corpus/*/; do
    target=$(basename "$corpus")
    # New inputs go to a scratch folder; the committed seeds are only read.
    mkdir -p "$fuzz_work/$target"
    echo "-- $target"
    rc=0
    build-fuzz/fuzz/"$target" -max_total_time=20 -print_final_stats=1 \
        -artifact_prefix="$fuzz_work/$target-" "$fuzz_work/$target" "$corpus" \
        >"$fuzz_work/$target.log" 2>&1 || rc=$?
    grep -E '^(Done|stat::number_of_executed_units)' "$fuzz_work/$target.log" || true
    if [ "$rc" -ne 0 ]; then
        tail -n 60 "$fuzz_work/$target.log"
        exit 1
    fi
done
