#!/bin/sh
# Draws tesfront's mark (a blue rounded tile with a white frame and a diagonal arrow: an
# image turned into another) at 32 x 32 and 16 x 16 with ImageMagick (/usr/bin/convert)
# and assembles tesfront.ico from both, 8 bits per pixel each (assemble-ico.py).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
draw() { # size stroke
    s=$1 w=$2 m=$(( $1 - 1 ))
    /usr/bin/convert -size "${s}x${s}" xc:none \
        -fill '#1f5fa8' -draw "roundrectangle 0,0 $m,$m $(( s / 6 )),$(( s / 6 ))" \
        -fill none -stroke white -strokewidth "$w" \
        -draw "rectangle $(( s / 5 )),$(( s / 5 )) $(( s * 3 / 5 )),$(( s * 3 / 5 ))" \
        -draw "line $(( s * 2 / 5 )),$(( s * 2 / 5 )) $(( s * 4 / 5 )),$(( s * 4 / 5 ))" \
        -fill white -stroke none \
        -draw "polygon $(( s * 4 / 5 + 1 )),$(( s * 4 / 5 + 1 )) $(( s * 4 / 5 + 1 )),$(( s * 3 / 5 )) $(( s * 3 / 5 )),$(( s * 4 / 5 + 1 ))" \
        -channel A -threshold 50% +channel \
        -depth 8 "$work/$s.rgba"
}
draw 32 2
draw 16 1
python3 "$here/assemble-ico.py" "$here/../tesfront.ico" 32 "$work/32.rgba" 16 "$work/16.rgba"
