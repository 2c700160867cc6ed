#!/usr/bin/env bash
# Draws the setup banner (banner.jpg) and the program icon (setup.ico) from the same art. The setup
# scales the banner smoothly to fill its placeholder (274 x 147 dialog units), cutting off what
# overflows: the picture is drawn 2.2 times the placeholder's size at 96 dpi (411 x 221 pixels
# with base units of 6 x 12), so that at 200 % (and base units up to 6.6 x 13.2 in one direction)
# it is only ever made smaller. A frame of other proportions (a Japanese dialog font is narrower)
# cuts up to a tenth off each side, so the title and the building keep clear of the edges.
# Needs ImageMagick; the results are committed so that the build
# does not.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every length of the drawing at 96 dpi, times 2.2.
s() { echo $((($1 * 11 + 2) / 5)); }
w=$(s 411)
h=$(s 221)
horizon=$(s 155)

# Sky above the horizon, ground below it.
convert -size "${w}x${horizon}" gradient:'#1d4f91-#9cc9ee' "$work/sky.png"
convert -size "${w}x$((h - horizon))" gradient:'#5b8f3a-#2f5220' "$work/ground.png"
convert "$work/sky.png" "$work/ground.png" -append "$work/base.png"

# A stylised building standing on the horizon: a tower, a gabled hall and a few windows,
# drawn as light outlines the way a modelling tool shows an untextured shape.
convert "$work/base.png" \
    -fill '#ffffff30' -stroke '#f4f8ff' -strokewidth "$(s 2)" \
    -draw "polygon $(s 250),$horizon $(s 250),$(s 87) $(s 305),$(s 59) $(s 360),$(s 87) $(s 360),$horizon" \
    -draw "polygon $(s 300),$horizon $(s 300),$(s 27) $(s 322),$(s 15) $(s 344),$(s 27) $(s 344),$horizon" \
    -fill '#f4f8ff' -stroke none \
    -draw "rectangle $(s 262),$(s 105) $(s 276),$(s 121)" -draw "rectangle $(s 284),$(s 105) $(s 298),$(s 121)" \
    -draw "rectangle $(s 318),$(s 43) $(s 326),$(s 55)" -draw "rectangle $(s 318),$(s 71) $(s 326),$(s 83)" \
    -draw "rectangle $(s 262),$(s 131) $(s 276),$(s 147)" -draw "rectangle $(s 332),$(s 105) $(s 346),$(s 147)" \
    -fill '#00000040' -draw "rectangle 0,$((horizon - $(s 1))) $w,$((horizon + $(s 1)))" \
    -font DejaVu-Sans-Bold -pointsize "$(s 46)" -fill '#ffffff' -stroke '#123a6e' -strokewidth "$(s 1)" \
    -annotate "+$(s 44)+$(s 70)" 'Tellura' \
    -font DejaVu-Sans -pointsize "$(s 15)" -stroke none -fill '#eaf3ff' \
    -annotate "+$(s 47)+$(s 96)" 'Setup' \
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
