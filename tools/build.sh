#!/usr/bin/env bash
# Configures and builds Tumblerset.
#   BUILD_DIR   where to build (default: build)
#   SANITIZE=1  AddressSanitizer and UndefinedBehaviorSanitizer
#   WERROR=1    warnings are errors (the default under CI)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build}
werror=${WERROR:-$([ "${CI:-}" = true ] && echo 1 || echo 0)}
sanitize=${SANITIZE:-0}
build_type=${BUILD_TYPE:-RelWithDebInfo}

cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE="$build_type" \
    -DTUMBLERSET_WERROR="$([ "$werror" = 1 ] && echo ON || echo OFF)" \
    -DTUMBLERSET_SANITIZE="$([ "$sanitize" = 1 ] && echo ON || echo OFF)" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
