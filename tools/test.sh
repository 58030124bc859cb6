#!/usr/bin/env bash
# The one test command: installs what is missing, builds everything and runs
# every test (Windows unit and end-to-end tests under Wine + Xvfb, the
# decoder's host tests under AddressSanitizer/UBSan, a bounded fuzzing run).
set -uo pipefail
VELMOR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
export VELMOR_ROOT
cd "$VELMOR_ROOT"

bash tools/setup.sh || exit 1
bash tools/build.sh || exit 1

. tools/xvfb.sh
start_xvfb

passed=0
failed=0
run_ctest() {
    local dir=$1 log
    log=$(mktemp)
    ctest --test-dir "$dir" --output-on-failure -j2 2>&1 | tee "$log"
    local line total bad
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n1)
    if [ -z "$line" ]; then
        failed=$((failed + 1))
    else
        total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
        bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    fi
    rm -f "$log"
}

run_ctest build/win
run_ctest build/host

echo "velmor: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
