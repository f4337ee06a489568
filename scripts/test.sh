#!/usr/bin/env bash
# Builds VeFinder and runs its whole test suite (installs missing packages first).
#   scripts/test.sh              release-with-debug-info build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UBSan build in build-asan/
#   scripts/test.sh --tsan       ThreadSanitizer build in build-tsan/, the concurrency tests only
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
extra=()
select=()
if [ "${1:-}" = "--tsan" ]; then
    # Races inside CLucene's own locking are suppressed by name
    # (tests/tsan.supp); any report that remains fails the test. The deadlock
    # detector is off: CLucene holds more locks at once than it tracks.
    # Tests whose threads meet through Qt's futex-based primitives (QThread::wait,
    # QSemaphore) are left out: ThreadSanitizer cannot see those.
    build=build-tsan
    extra=(-DVEFINDER_SANITIZE_THREAD=ON -DVEFINDER_BUILD_TOOLS=OFF)
    select=(-R '^(tst_indexfieldcache|tst_lexiconindex|tst_store)$')
    export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:exitcode=66:detect_deadlocks=0:suppressions=$PWD/tests/tsan.supp}
elif [ "${1:-}" = "--sanitize" ]; then
    build=build-asan
    extra=(-DVEFINDER_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
fi

bash scripts/setup-deps.sh
jobs=$(nproc)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" >/dev/null
if [ ${#select[@]} -gt 0 ]; then
    targets=$(echo "${select[1]}" | tr -d '^$()' | tr '|' ' ')
    cmake --build "$build" -j "$jobs" --target $targets
else
    cmake --build "$build" -j "$jobs"
fi
ctest --test-dir "$build" --output-on-failure -j "$jobs" "${select[@]}"
