#!/usr/bin/env bash
# Renders the PNG images under app/images from their SVG drawings. Run after
# changing a drawing; the PNG files are committed. Needs rsvg-convert
# (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../app/images"
for size in 32 48; do rsvg-convert -w $size -h $size tumblerset.svg -o key-$size.png; done
rsvg-convert -w 16 -h 16 key-small.svg -o key-16.png
rsvg-convert -w 16 -h 16 disabled.svg -o disabled-16.png

# The main window's form description carries the list images (a strip of the
# key and the no-entry sign) and the 32-pixel key picture as binary data.
convert key-16.png disabled-16.png +append png32:/tmp/tumblerset-strip.png
python3 - ../forms/TMAINFORM.dfm /tmp/tumblerset-strip.png key-32.png <<'PY'
import re, struct, sys
form, strip, picture = sys.argv[1:]
def block(data, indent):
    hexed = data.hex().upper()
    rows = [hexed[i:i + 64] for i in range(0, len(hexed), 64)]
    return "{\n" + "\n".join(indent + r for r in rows) + "}"
images = b"TIL1" + struct.pack("<HHH", 16, 16, 2) + open(strip, "rb").read()
text = open(form).read()
text = re.sub(r"(  object ImageList1: TImageList\n)(?:    Bitmap = \{[^}]*\}\n)?",
              lambda m: m.group(1) + "    Bitmap = " + block(images, "      ") + "\n", text)
text = re.sub(r"(    AutoSize = True\n)(?:    Picture.Data = \{[^}]*\}\n)?",
              lambda m: m.group(1) + "    Picture.Data = " + block(open(picture, "rb").read(), "      ") + "\n",
              text, count=1)
open(form, "w").write(text)
PY
rm -f /tmp/tumblerset-strip.png

# The component gallery's glyph strips: each button's strip, rendered on the
# transparent colour (magenta, the bottom-left pixel), goes into the gallery's
# form description as the button's Glyph.Data.
cd ../../examples/gallery/images
for strip in face align-left align-center align-right stop; do
    rsvg-convert -b '#ff00ff' $strip.svg -o $strip.png
done
python3 - ../forms/TGALLERYFORM.dfm <<'PY'
import re, sys
form = sys.argv[1]
strips = {"btnPress": "face.png", "btnShadow": "face.png", "btnLeft": "align-left.png",
          "btnCenter": "align-center.png", "btnRight": "align-right.png", "btnStop": "stop.png"}
text = open(form).read()
for button, strip in strips.items():
    hexed = open(strip, "rb").read().hex().upper()
    rows = "\n".join("      " + hexed[i:i + 64] for i in range(0, len(hexed), 64))
    block = "    Glyph.Data = {\n" + rows + "}\n"
    pattern = r"(  object " + button + r": TFancyButton\n(?:    (?!Glyph\.Data).*\n)*?)(?:    Glyph\.Data = \{[^}]*\}\n)?(?=    NumGlyphs)"
    text, n = re.subn(pattern, lambda m: m.group(1) + block, text, count=1)
    if n != 1:
        sys.exit("no TFancyButton " + button + " with NumGlyphs in " + form)
open(form, "w").write(text)
PY
