#!/usr/bin/env bash
# Takes a screenshot under a private X server (Xvfb):
#   bash tools/screenshot.sh [--scale N] [FILE]            the window after a
#                                  demo listing (default docs/screenshot.png)
#   bash tools/screenshot.sh [--scale N] --gallery [FILE]  the component
#                                  gallery (default docs/gallery.png)
# --scale N shows the program as on a screen of N device pixels to the
# logical one (QT_SCALE_FACTOR); the default file name then ends in -Nx.
#   bash tools/screenshot.sh --all   all four: the window and the gallery at 1x and 2x
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --all ]; then
    for scale in 1 2; do
        bash "$0" --scale "$scale"
        bash "$0" --scale "$scale" --gallery
    done
    exit 0
fi
scale=1
if [ "${1:-}" = --scale ]; then
    scale=${2:?--scale needs a factor}
    shift 2
fi
subject=tool
if [ "${1:-}" = --gallery ]; then
    subject=gallery
    shift
fi
suffix=""
[ "$scale" = 1 ] || suffix="-${scale}x"
build_dir=${BUILD_DIR:-build}
case $subject in
tool) out=${1:-docs/screenshot$suffix.png} program="$build_dir/app/tumblerset" title='^Tumblerset$' ;;
gallery) out=${1:-docs/gallery$suffix.png} program="$build_dir/examples/gallery/tumblerset-gallery"
    title='^Component Gallery$' ;;
esac
# Clicks are given in logical pixels; xdotool takes device ones.
at() { awk -v s="$scale" -v x="$1" -v y="$2" 'BEGIN { printf "%d %d", x * s, y * s }'; }
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
screen=$(awk -v s="$scale" 'BEGIN { printf "%dx%d", 800 * s, 600 * s }')
Xvfb "$display" -screen 0 "${screen}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale
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
    # shellcheck disable=SC2046 # at prints two numbers
    xdotool mousemove --window "$window" $(at 292 20) click 1
    # shellcheck disable=SC2046
    xdotool mousemove --window "$window" $(at 246 20) click 1
    sleep 2
    # shellcheck disable=SC2046
    xdotool mousemove --window "$window" $(at 60 95) click 1
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
