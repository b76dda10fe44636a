#!/bin/bash
# Remakes the program icon and the two logo pictures from the drawings in this folder (needs ImageMagick and the
# DejaVu and Liberation fonts). The results are committed; the build does not run this.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
resources=$(dirname "$here")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The note pad with its pen, drawn on a 256-unit grid at four times the target size and then reduced. Edges lie on
# the half-pixel grid of 32 pixels (4 mod 8 units), so that the outline stays sharp at 32 and above. The 16-pixel
# picture is drawn by hand (icon-16.xpm): reduced drawings blur at that size.
pad() {
    local size=$1 out=$2
    local k
    k=$(echo "scale=6; 4*$size/256" | bc)
    c() { echo "scale=2; $1*$k" | bc; }
    # At least 1.1 pixels of outline at small sizes, 7 units at large ones.
    local outline=$((256 * 11 / 10 / size))
    ((outline < 7)) && outline=7
    local sw
    sw=$(c $outline)
    local mvg="stroke-linejoin round "
    mvg+="fill '#F5FB99' stroke '#6E6220' stroke-width $sw roundrectangle $(c 36),$(c 28) $(c 204),$(c 236) $(c 14),$(c 14) "
    mvg+="fill '#E2A93B' roundrectangle $(c 36),$(c 28) $(c 204),$(c 68) $(c 14),$(c 14) "
    for y in 100 132 164 196; do
        mvg+="stroke '#5B86B8' stroke-width $(c 8) line $(c 60),$(c $y) $(c 180),$(c $y) "
    done
    mvg+="stroke '#1E2F55' stroke-width $sw fill '#2F62B5' polygon $(c 156),$(c 196) $(c 250),$(c 102) $(c 222),$(c 74) $(c 128),$(c 168) "
    mvg+="fill '#D0D4DC' polygon $(c 156),$(c 196) $(c 166),$(c 186) $(c 138),$(c 158) $(c 128),$(c 168) "
    mvg+="fill '#F0D2A0' polygon $(c 156),$(c 196) $(c 128),$(c 168) $(c 108),$(c 216) "
    mvg+="fill '#1E2F55' stroke none polygon $(c 108),$(c 216) $(c 124),$(c 209) $(c 115),$(c 200) "
    convert -size $((size * 4))x$((size * 4)) xc:none -draw "$mvg" -filter Box -resize "${size}x${size}" \
        -depth 8 -define png:color-type=6 "$out"
}

convert "$here/icon-16.xpm" -depth 8 -define png:color-type=6 "$work/16.png"
for size in 32 48 64 128 256; do
    pad $size "$work/$size.png"
done
# One icon file with every size: the window and the tray pick the size they need.
convert "$work"/{16,32,48,64,128,256}.png "$resources/icons/scribbet.ico"

# The logo, 139 x 20: the small icon and the lettering on a clear ground. The underlined picture adds one blue
# line (0, 0, 237) beneath the lettering, as a link is shown under the mouse.
bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
plain=/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf
convert -size 139x20 xc:none \
    -font $bold -pointsize 10.5 -fill '#1F3F7A' -annotate +21+14 'Scribbet' \
    -font $plain -pointsize 10.5 -fill '#4A6A9A' -annotate +78+14 'about & help' "$work/lettering.png"
read -r left width < <(convert "$work/lettering.png" -trim -format '%[fx:page.x+0] %w\n' info:)
convert -size 139x20 xc:none "$work/16.png" -geometry +1+2 -composite "$work/lettering.png" -composite \
    -depth 8 -define png:color-type=6 "$resources/images/logo.png"
convert "$resources/images/logo.png" -fill 'rgb(0,0,237)' -stroke none \
    -draw "rectangle $left,16 $((left + width - 1)),16" -depth 8 -define png:color-type=6 \
    "$resources/images/logo-underlined.png"
