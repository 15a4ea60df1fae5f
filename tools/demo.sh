#!/usr/bin/env bash
# Installs what is missing, builds, and runs Tumblerset on the demo directory.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build} bash tools/build.sh
exec "${BUILD_DIR:-build}/app/tumblerset" --directory examples/demo-directory.json "$@"
