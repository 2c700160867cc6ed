#!/usr/bin/env bash
# Draws the setup banner (banner.jpg) and the program icon (setup.ico) from the same art. The banner
# is drawn at its own pixel size, so it is made to fit the placeholder (274 x 147 dialog units) at
# the smallest dialog font it meets at 96 dpi: base units of 6 x 12 pixels (Liberation Sans, which
# Wine takes for the dialog font where it is installed) give 411 x 221; Windows' MS Shell Dlg 2
# (Tahoma 8, 6 x 13) gives 411 x 239. Needs ImageMagick; the results are committed so that
# the build does not.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

w=411
h=221
horizon=155

# Sky above the horizon, ground below it.
convert -size "${w}x${horizon}" gradient:'#1d4f91-#9cc9ee' "$work/sky.png"
convert -size "${w}x$((h - horizon))" gradient:'#5b8f3a-#2f5220' "$work/ground.png"
convert "$work/sky.png" "$work/ground.png" -append "$work/base.png"

# A stylised building standing on the horizon: a tower, a gabled hall and a few windows,
# drawn as light outlines the way a modelling tool shows an untextured shape.
convert "$work/base.png" \
    -fill '#ffffff30' -stroke '#f4f8ff' -strokewidth 2 \
    -draw "polygon 250,$horizon 250,87 305,59 360,87 360,$horizon" \
    -draw "polygon 300,$horizon 300,27 322,15 344,27 344,$horizon" \
    -fill '#f4f8ff' -stroke none \
    -draw "rectangle 262,105 276,121" -draw "rectangle 284,105 298,121" \
    -draw "rectangle 318,43 326,55" -draw "rectangle 318,71 326,83" \
    -draw "rectangle 262,131 276,147" -draw "rectangle 332,105 346,147" \
    -fill '#00000040' -draw "rectangle 0,$((horizon - 1)) $w,$((horizon + 1))" \
    -font DejaVu-Sans-Bold -pointsize 46 -fill '#ffffff' -stroke '#123a6e' -strokewidth 1 \
    -annotate +24+70 'Tellura' \
    -font DejaVu-Sans -pointsize 15 -stroke none -fill '#eaf3ff' \
    -annotate +27+96 'Setup' \
    "$work/banner.png"
convert "$work/banner.png" -strip -units PixelsPerInch -density 96 -sampling-factor 4:2:0 \
    -quality 88 banner.jpg

# Icon: the tower and hall over a rounded sky/ground square.
convert -size 256x256 xc:none \
    -fill '#1d4f91' -draw 'roundrectangle 8,8 248,248 36,36' \
    \( -size 256x60 gradient:'#5b8f3a-#2f5220' \) -geometry +0+196 -compose src-atop -composite \
    -compose over -fill '#ffffff40' -stroke '#f4f8ff' -strokewidth 10 \
    -draw 'polygon 44,196 44,120 104,88 164,120 164,196' \
    -draw 'polygon 140,196 140,56 172,38 204,56 204,196' \
    -fill none -stroke '#00000050' -strokewidth 6 -draw 'line 8,196 248,196' \
    "$work/icon256.png"
for s in 16 24 32 48 64; do
    convert "$work/icon256.png" -resize "${s}x${s}" "$work/icon$s.png"
done
convert "$work/icon16.png" "$work/icon24.png" "$work/icon32.png" "$work/icon48.png" \
    "$work/icon64.png" "$work/icon256.png" -depth 8 setup.ico
