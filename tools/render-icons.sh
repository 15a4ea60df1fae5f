#!/usr/bin/env bash
# Renders the PNG images under app/images from their SVG drawings. Run after
# changing a drawing; the PNG files are committed. Needs rsvg-convert
# (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../app/images"
for size in 32 48; do rsvg-convert -w $size -h $size tumblerset.svg -o key-$size.png; done
rsvg-convert -w 16 -h 16 key-small.svg -o key-16.png
rsvg-convert -w 16 -h 16 disabled.svg -o disabled-16.png
