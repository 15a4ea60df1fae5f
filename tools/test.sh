#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
# Takes the same settings as tools/build.sh (BUILD_DIR, SANITIZE, WERROR).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
bash tools/build.sh
build_dir=${BUILD_DIR:-build}

if [ "${SANITIZE:-0}" = 1 ]; then
    # Qt and fontconfig keep caches for the life of the process; report only
    # leaks of our own making.
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fi

ctest --test-dir "$build_dir" --output-on-failure --timeout 300 -j "$(nproc)"
