#!/usr/bin/env bash
# Line and branch coverage of the product code (app/ show/ config/ image/
# jpeg/ win32/) by the tests:
# - the Windows suite (unit and end-to-end tests, every velmor.scr they start)
#   under Wine + Xvfb, in a coverage build of the tree this machine's Wine
#   runs (build/coverage/win32 or win64), and the fault sweep where there is
#   one (tools/fault-sweep.sh);
# - the decoder's and the BMP byte work's host tests, in a host coverage
#   build (build/coverage/host).
# Both are gcov builds with GCC at -O0 (cmake/coverage.cmake); each tree is
# read with the gcov of the compiler that built it, and the two are merged by
# source file.  Prints line and branch coverage per folder, writes the HTML
# report to build/coverage/html/index.html and every branch that no test takes
# to build/coverage/unreached-branches.txt (docs/coverage.md says why each is
# left).  Exits non-zero when a build or a test fails; the report is still
# written then.  Slow (a whole second run of the Windows suite): not part of
# tools/test.sh.
#   tools/coverage.sh            build, run every test, report
#   tools/coverage.sh --report   only the report, from the counts of the last run
set -uo pipefail
VELMOR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
export VELMOR_ROOT
cd "$VELMOR_ROOT"
started=$SECONDS
report_only=0
case "${1:-}" in
    --report) report_only=1 ;;
    "") ;;
    *) echo "coverage: unknown option $1" >&2; exit 2 ;;
esac

bash tools/setup.sh || exit 1
bits=$(tools/wine-arch.sh) || exit 1
export VELMOR_WINE_ARCH=$bits
jobs=$(nproc)
out=build/coverage
win=$out/win$bits
host=$out/host
failed=()

toolchain() { [ "$1" = 32 ] && echo cmake/mingw-i686.cmake || echo cmake/mingw-x86_64.cmake; }

# Configures a tree once (a later run only rebuilds what changed).
build_tree() {
    local dir=$1
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DVELMOR_COVERAGE=ON "$@" >/dev/null ||
            return 1
    fi
    cmake --build "$dir" -j"$jobs" >"$dir/build.log" 2>&1 || { tail -n 30 "$dir/build.log"; return 1; }
}

# The gcov that reads a tree's notes: the one beside the tree's compiler
# (i686-w64-mingw32-g++-win32 -> i686-w64-mingw32-gcov-win32, g++ -> gcov),
# and only if it reports the compiler's own version, as the notes and data
# formats change between GCC versions.
gcov_of() {
    local cxx gcov version
    cxx=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$1/CMakeCache.txt")
    gcov=$(dirname "$cxx")/$(basename "$cxx" | sed 's/g++/gcov/')
    version=$("$cxx" -dumpfullversion)
    if ! "$gcov" --version 2>/dev/null | head -n1 | grep -qF "$version"; then
        echo "coverage: no gcov of version $version beside $cxx (tried $gcov)" >&2
        return 1
    fi
    echo "$gcov"
}

# Runs a CTest selection; a failed or empty run is remembered.
run_ctest() {
    local what=$1
    shift
    echo "coverage: running $what"
    ctest "$@" --output-on-failure --no-tests=error -j2 || failed+=("$what")
}

# Builds both trees and runs every test over them, starting from zero counts.
build_and_run() {
    echo "coverage: building $win and $host"
    build_tree "$win" -DCMAKE_TOOLCHAIN_FILE="$(toolchain "$bits")" || {
        echo "coverage: the Windows coverage build failed"; exit 1; }
    build_tree "$host" -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ || {
        echo "coverage: the host coverage build failed"; exit 1; }

    # Counts start from zero: a process adds its counts to the .gcda files that
    # are there.  Under Wine the notes' paths ("/work/...") resolve to the same
    # Unix files (Wine takes a path that starts with "/" as a Unix path when it
    # can), whatever the current drive and the Wine prefix.  One test runs the
    # saver as the unprivileged user velmor-user, whose Wine cannot create files
    # in these root-owned folders: every data file is made beforehand, empty
    # (libgcov writes an empty one afresh) and writable by anyone.
    find "$win" "$host" -name '*.gcda' -delete
    find build -path '*/drive_c/*' -name '*.gcda' -delete 2>/dev/null
    while IFS= read -r notes; do
        : >"${notes%.gcno}.gcda" && chmod 666 "${notes%.gcno}.gcda"
    done < <(find "$win" -name '*.gcno')

    run_ctest "the host tests" --test-dir "$host"

    . tools/xvfb.sh
    start_xvfb || exit 1
    # The Wine session's own processes (winedevice.exe...) live as long as the
    # session and keep the Unix standard output of the program that started it,
    # so CTest would wait for that test's output until the session ends (seen: a
    # 3 s unit test that took 7 minutes).  Start the session first, its output
    # going nowhere, and keep it up until stop_xvfb ends it.
    (. tools/wine-env.sh && wine_env "$bits" && wineserver -p)
    tools/wine-run.sh --arch "$bits" cmd /c exit 0 </dev/null >/dev/null 2>&1
    run_ctest "the Windows suite ($bits-bit)" --test-dir "$win"
    if [ -f tools/fault-sweep.sh ]; then
        echo "coverage: running the fault sweep"
        bash tools/fault-sweep.sh --arch "$bits" --build "$win" || failed+=("the fault sweep")
    else
        echo "coverage: note: there is no tools/fault-sweep.sh yet; the fault sweep is not in these figures"
    fi
    # Every Wine process has written its counts once its wineserver is gone.
    stop_xvfb
    trap - EXIT
}

if [ "$report_only" = 0 ]; then
    build_and_run || exit 1
elif [ ! -f "$win/CMakeCache.txt" ] || [ ! -f "$host/CMakeCache.txt" ]; then
    echo "coverage: no earlier run to report on; run tools/coverage.sh first" >&2
    exit 1
fi
win_gcov=$(gcov_of "$win") || exit 1
host_gcov=$(gcov_of "$host") || exit 1

# Data files that no process wrote are still empty; gcov would call them
# broken.  libgcov says "profiling:" on standard error where it could not
# write its counts; data that landed inside a Wine prefix would be lost too.
find "$win" -name '*.gcda' -empty -delete
lost=$(cat "$win/Testing/Temporary/LastTest.log" "$host/Testing/Temporary/LastTest.log" 2>/dev/null |
       grep -c '^profiling:')
if [ "$lost" -gt 0 ]; then
    echo "coverage: warning: $lost times a process could not write its counts:"
    grep -h '^profiling:' "$win/Testing/Temporary/LastTest.log" "$host/Testing/Temporary/LastTest.log" |
        sort | uniq -c | sort -rn | head -n 5
fi
stray=$(find build -path '*/drive_c/*' -name '*.gcda' 2>/dev/null | wc -l)
if [ "$stray" -gt 0 ]; then
    echo "coverage: warning: $stray .gcda files landed inside a Wine prefix and are not counted:"
    find build -path '*/drive_c/*' -name '*.gcda' | head -n 5
fi
# How many velmor.scr processes ended and wrote their counts (only velmor.scr
# has main.cpp).  A saver that a test ends with TerminateProcess or a signal
# writes none.
runs=$("$(dirname "$win_gcov")/$(basename "$win_gcov" | sed 's/gcov/gcov-dump/')" \
       "$win/app/CMakeFiles/velmor.dir/main.cpp.gcda" 2>/dev/null | sed -n 's/.*OBJECT_SUMMARY runs=\([0-9]*\).*/\1/p')
echo "coverage: ${runs:-no} velmor.scr processes wrote their counts"

# Both trees, each read with the gcov of its compiler, merged by source file
# into one gcovr tracefile (tools/coverage_gcov.py says what it leaves out
# and why); gcovr makes the HTML report from it.
python3 tools/coverage_gcov.py "$VELMOR_ROOT" "$out/coverage.json" "$win=$win_gcov" "$host=$host_gcov" ||
    { echo "coverage: could not read the coverage data"; exit 1; }
rm -rf "$out/html"
mkdir -p "$out/html"
gcovr --root . --add-tracefile "$out/coverage.json" --html-details "$out/html/index.html" \
      --html-title "velmor: coverage of the product code" ||
    { echo "coverage: gcovr could not write the HTML report"; exit 1; }

python3 tools/coverage_report.py "$VELMOR_ROOT" "$out/coverage.json" "$out/unreached-branches.txt" ||
    exit 1
echo "coverage: HTML report in $out/html/index.html"
elapsed=$((SECONDS - started))
echo "coverage: took $((elapsed / 60)) min $((elapsed % 60)) s"
if [ ${#failed[@]} -gt 0 ]; then
    echo "coverage: failed: $(IFS=,; echo "${failed[*]}")"
    exit 1
fi
