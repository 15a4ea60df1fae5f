#!/usr/bin/env bash
# Takes a screenshot of the window after a demo listing, under a private X
# server (Xvfb). Writes docs/screenshot.png unless a path is given.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshot.png}
build_dir=${BUILD_DIR:-build}
program="$build_dir/app/tumblerset"
[ -x "$program" ] || { echo "build first: bash tools/build.sh" >&2; exit 1; }

work=$(mktemp -d --tmpdir tumblerset-shot-XXXXXX)
xvfb=""
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

cp examples/demo-directory.json "$work/demo.json"
# A private configuration folder, so the screenshot run leaves the user's
# alone, remembering the demo server so the window opens with it filled in.
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME/marrowlight" && chmod 700 "$XDG_CONFIG_HOME/marrowlight"
printf '%s\n' 'Marrowlight Registry Hive 1' '' \
    '[HKEY_CURRENT_USER\Software\Marrowlight Software\Tumblerset]' \
    '"Server"="dc01.ad.corp.example.com"' > "$XDG_CONFIG_HOME/marrowlight/HKEY_CURRENT_USER.reg"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$program" --directory "$work/demo.json" &
app=$!
sleep 2
window=$(xdotool search --sync --name '^Tumblerset$' | head -n 1)
# Tick "Show all users", press "Connect", select a row.
xdotool mousemove --window "$window" 292 20 click 1
xdotool mousemove --window "$window" 246 20 click 1
sleep 2
xdotool mousemove --window "$window" 60 95 click 1
sleep 1
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"
echo "wrote $out"
