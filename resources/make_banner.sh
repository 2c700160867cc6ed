#!/usr/bin/env bash
# Draws the setup banner (banner.jpg, sized for the dialog's picture placeholder at 96 dpi) and the
# program icon (setup.ico) from the same art. Needs ImageMagick; the results are committed so that
# the build does not.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

w=411
h=239
horizon=168

# Sky above the horizon, ground below it.
convert -size "${w}x${horizon}" gradient:'#1d4f91-#9cc9ee' "$work/sky.png"
convert -size "${w}x$((h - horizon))" gradient:'#5b8f3a-#2f5220' "$work/ground.png"
convert "$work/sky.png" "$work/ground.png" -append "$work/base.png"

# A stylised building standing on the horizon: a tower, a gabled hall and a few windows,
# drawn as light outlines the way a modelling tool shows an untextured shape.
convert "$work/base.png" \
    -fill '#ffffff30' -stroke '#f4f8ff' -strokewidth 2 \
    -draw "polygon 250,$horizon 250,100 305,72 360,100 360,$horizon" \
    -draw "polygon 300,$horizon 300,40 322,28 344,40 344,$horizon" \
    -fill '#f4f8ff' -stroke none \
    -draw "rectangle 262,118 276,134" -draw "rectangle 284,118 298,134" \
    -draw "rectangle 318,56 326,68" -draw "rectangle 318,84 326,96" \
    -draw "rectangle 262,144 276,160" -draw "rectangle 332,118 346,160" \
    -fill '#00000040' -draw "rectangle 0,$((horizon - 1)) $w,$((horizon + 1))" \
    -font DejaVu-Sans-Bold -pointsize 46 -fill '#ffffff' -stroke '#123a6e' -strokewidth 1 \
    -annotate +24+70 'Tellura' \
    -font DejaVu-Sans -pointsize 15 -stroke none -fill '#eaf3ff' \
    -annotate +27+96 'Setup' \
    "$work/banner.png"
convert "$work/banner.png" -strip -sampling-factor 4:2:0 -quality 88 banner.jpg

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
