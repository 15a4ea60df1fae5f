#!/usr/bin/env bash
# Takes a screenshot under a private X server (Xvfb):
#   bash tools/screenshot.sh [FILE]            the window after a demo listing
#                                              (default docs/screenshot.png)
#   bash tools/screenshot.sh --gallery [FILE]  the component gallery
#                                              (default docs/gallery.png)
set -euo pipefail
cd "$(dirname "$0")/.."
subject=tool
if [ "${1:-}" = --gallery ]; then
    subject=gallery
    shift
fi
build_dir=${BUILD_DIR:-build}
case $subject in
tool) out=${1:-docs/screenshot.png} program="$build_dir/app/tumblerset" title='^Tumblerset$' ;;
gallery) out=${1:-docs/gallery.png} program="$build_dir/examples/gallery/tumblerset-gallery"
    title='^Component Gallery$' ;;
esac
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

# A private configuration folder, so the screenshot run leaves the user's
# alone. Hive files are written as the registry store writes them.
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME/marrowlight" && chmod 700 "$XDG_CONFIG_HOME/marrowlight"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
hive() { printf '%s\n' 'Marrowlight Registry Hive 1' '' "$@" > "$XDG_CONFIG_HOME/marrowlight/HKEY_CURRENT_USER.reg"; }

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

case $subject in
tool)
    # The window opens with the demo server remembered and filled in.
    cp examples/demo-directory.json "$work/demo.json"
    hive '[HKEY_CURRENT_USER\Software\Marrowlight Software\Tumblerset]' \
        '"Server"="dc01.ad.corp.example.com"'
    "$program" --directory "$work/demo.json" &
    app=$!
    sleep 2
    window=$(xdotool search --sync --name "$title" | head -n 1)
    # Tick "Show all users", press "Connect", select a row.
    xdotool mousemove --window "$window" 292 20 click 1
    xdotool mousemove --window "$window" 246 20 click 1
    sleep 2
    xdotool mousemove --window "$window" 60 95 click 1
    sleep 1
    ;;
gallery)
    # Remembered texts and files, as after some use.
    hive '[HKEY_CURRENT_USER\Software\Marrowlight Software\Gallery\Recent files]' \
        '"Count"=dword:00000002' '"0"="/home/ada/notes.txt"' '"1"="/home/ada/plan.txt"' '' \
        '[HKEY_CURRENT_USER\Software\Marrowlight Software\Gallery\Typed texts]' \
        '"Count"=dword:00000001' '"0"="dc01.corp.example.com"'
    "$program" &
    app=$!
    sleep 2
    window=$(xdotool search --sync --name "$title" | head -n 1)
    sleep 1
    ;;
esac
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"
echo "wrote $out"
