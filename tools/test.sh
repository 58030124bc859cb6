#!/usr/bin/env bash
# The one test command: installs what is missing, builds everything and runs
# every test:
# - the static checks of both velmor.scr builds (PE kind, imports, manifest,
#   resources, streams), on the host;
# - the Windows unit and end-to-end suite under Wine + Xvfb, on the build
#   this machine's Wine runs: the 32-bit one where i386 code executes, else
#   the 64-bit one under wine64 (VELMOR_WINE_ARCH=64 forces that path);
# - the decoder's host tests under AddressSanitizer/UBSan and a bounded
#   fuzzing run.
# A test that could not run counts as failed.
set -uo pipefail
VELMOR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
export VELMOR_ROOT
cd "$VELMOR_ROOT"

bash tools/setup.sh || exit 1
bits=$(tools/wine-arch.sh) || exit 1
export VELMOR_WINE_ARCH=$bits
bash tools/build.sh || { echo "velmor: the build failed"; exit 1; }

. tools/xvfb.sh
start_xvfb || exit 1
# The Wine session's own processes (winedevice.exe...) live as long as the
# session and keep the Unix standard output of the program that started it:
# CTest would wait for that test until the session ends, one of its two
# slots idle meanwhile (seen: a 3 s unit test that took 7 minutes).  Start
# the session first, its output going nowhere, and keep it up until
# stop_xvfb ends it.
(. tools/wine-env.sh && wine_env "$bits" && wineserver -p)
tools/wine-run.sh --arch "$bits" cmd /c exit 0 </dev/null >/dev/null 2>&1

passed=0
failed=0
# Runs one CTest selection and adds its counts; a run that reports no
# counts at all (CTest itself failed) counts as one failure.
run_ctest() {
    local log line total bad
    log=$(mktemp)
    ctest "$@" --output-on-failure -j2 2>&1 | tee "$log"
    line=$(grep -E '[0-9]+ tests? failed out of [0-9]+' "$log" | tail -n1)
    if [ -z "$line" ]; then
        echo "velmor: no test results from ctest $*"
        failed=$((failed + 1))
    else
        total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
        bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    fi
    rm -f "$log"
}

other=$((96 - bits))   # the build that is only checked statically
run_ctest --test-dir "build/win$other" -L static
run_ctest --test-dir "build/win$bits"
run_ctest --test-dir build/host

if [ "$bits" = 32 ]; then
    echo "velmor: Windows suite ran on the 32-bit build (build/win32) under 32-bit Wine; the 64-bit build was checked statically"
else
    echo "velmor: Windows suite ran on the 64-bit build (build/win64) under wine64; the 32-bit build was checked statically"
fi
echo "velmor: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
