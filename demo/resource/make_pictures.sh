#!/usr/bin/env bash
# Draws the demo medium's pictures with ImageMagick: the logo, the side bar and the four icons of the
# last page. Sizes are the controls' sizes in pixels at 96 DPI. Run from anywhere; writes beside itself.
set -euo pipefail
cd "$(dirname "$0")"
# ImageMagick's own convert, not a wrapper earlier on the PATH.
im=/usr/bin/convert
[ -x "$im" ] || im=convert
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
deep='#1d4f7c'
mid='#3a7bbf'
light='#dcebf7'
accent='#f2a33a'

# logo.gif, 120 x 50: a wave emblem and the name.
"$im" -size 120x50 xc:white \
  -fill "$deep" -draw 'roundrectangle 4,5 44,45 8,8' \
  -stroke white -strokewidth 2 -fill none \
  -draw 'path "M 9,19 Q 16,9 23,19 Q 30,29 37,19"' \
  -draw 'path "M 9,30 Q 16,20 23,30 Q 30,40 37,30"' \
  -stroke none -fill "$deep" -font "$font" -pointsize 19 -annotate +50+32 '澜拓' \
  -fill "$accent" -draw 'rectangle 50,38 114,40' \
  +dither -colors 32 logo.gif

# leftbar1.gif, 130 x 308: a vertical gradient with soft waves near the foot.
"$im" -size 130x308 gradient:"$deep"-"$mid" \
  -stroke "$light" -strokewidth 2 -fill none \
  -draw 'path "M -5,215 Q 30,195 65,215 T 135,215"' \
  -stroke "#9cc3e6" \
  -draw 'path "M -5,228 Q 30,208 65,228 T 135,228"' \
  -stroke none -fill "$accent" -draw 'circle 100,40 108,40' \
  +dither -colors 64 leftbar1.gif

# The icons, 39 x 38, on the page's grey.
icon() {  # file, draw commands...
  local file=$1
  shift
  "$im" -size 39x38 xc:'#f0f0f0' -fill "$light" -stroke "$mid" -strokewidth 1 \
    -draw 'roundrectangle 1,1 37,36 6,6' "$@" +dither -colors 16 "$file"
}

# aboutd.gif: the database, a cylinder.
icon aboutd.gif -fill "$mid" -stroke "$deep" \
  -draw 'rectangle 10,11 28,27' -draw 'ellipse 19,27 9,3 0,180' -draw 'ellipse 19,11 9,3 0,360' \
  -fill none -stroke white -draw 'ellipse 19,17 9,3 0,180' -draw 'ellipse 19,22 9,3 0,180'

# aboutm.gif: the automatic upgrade, an arrow up.
icon aboutm.gif -fill "$mid" -stroke "$deep" \
  -draw 'polygon 19,7 30,19 23,19 23,30 15,30 15,19 8,19'

# aboutl.gif: the information system, a message.
icon aboutl.gif -fill white -stroke "$deep" \
  -draw 'rectangle 8,11 30,26' -fill none -draw 'polyline 8,11 19,20 30,11'

# aboutu.gif: the data transfer, two arrows.
icon aboutu.gif -fill "$mid" -stroke "$deep" \
  -draw 'polygon 7,14 25,14 25,10 32,16 25,22 25,18 7,18' \
  -fill "$accent" -draw 'polygon 32,24 14,24 14,20 7,26 14,32 14,28 32,28'
