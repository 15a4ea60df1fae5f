#!/usr/bin/env bash
# Installs what is missing, builds, and runs Tumblerset on the demo directory:
# the window when there is a display, otherwise the command-line listing.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
build_dir=${BUILD_DIR:-build}
BUILD_DIR=$build_dir bash tools/build.sh
# The demo works on a copy, so that resets never change the shipped file. The
# copy sits in a private folder: a directory file is written back only where
# no other user can swap it for a link, which /tmp itself is not.
demo_dir=$(mktemp -d --tmpdir tumblerset-demo-XXXXXX)
trap 'rm -rf "$demo_dir"' EXIT
demo=$demo_dir/demo-directory.json
cp examples/demo-directory.json "$demo"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$build_dir/app/tumblerset" --directory "$demo" "$@"
else
    echo "No display here: listing the demo domain on the command line instead."
    echo "To see the window, run this on a desktop, or over SSH with X forwarding (ssh -X),"
    echo "or take a screenshot with: bash tools/screenshot.sh"
    echo
    echo "\$ tumblerset --directory examples/demo-directory.json --list --all dc01.ad.corp.example.com"
    "$build_dir/app/tumblerset" --directory "$demo" --list --all dc01.ad.corp.example.com || true
fi
