#!/bin/sh
# Draws ZelvaroFeed.ico (16, 32 and 48 pixels) with ImageMagick: a calendar page with a
# teal header and two binder rings, and orange feed waves in its lower right corner.
# Each size is scaled down from one drawing at eight times the largest size.
set -e
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Outline of a quarter ring around ($1, $2) between radii $3 and $4, from straight up to
# straight right: the outer arc forward, then the inner arc back.
ring() {
    awk -v cx="$1" -v cy="$2" -v r1="$3" -v r2="$4" 'BEGIN {
        for (i = 0; i <= 24; i++) {
            a = i * 3.14159265 / 48
            printf "%.1f,%.1f ", cx + r2 * sin(a), cy - r2 * cos(a)
        }
        for (i = 24; i >= 0; i--) {
            a = i * 3.14159265 / 48
            printf "%.1f,%.1f ", cx + r1 * sin(a), cy - r1 * cos(a)
        }
    }'
}

# Coordinates are for a 48 x 48 design grid; `s` scales them to the drawing size.
draw() {
    n=$1
    s=8
    big=384
    convert -size "${big}x${big}" xc:none \
        -fill '#f7f9fb' -stroke '#2f4858' -strokewidth $((3 * s / 2)) \
        -draw "roundrectangle $((4 * s)),$((7 * s)) $((44 * s)),$((44 * s)) $((4 * s)),$((4 * s))" \
        -stroke none -fill '#16868a' \
        -draw "roundrectangle $((5 * s)),$((8 * s)) $((43 * s)),$((18 * s)) $((3 * s)),$((3 * s))" \
        -draw "rectangle $((5 * s)),$((14 * s)) $((43 * s)),$((18 * s))" \
        -fill '#2f4858' \
        -draw "roundrectangle $((13 * s)),$((3 * s)) $((17 * s)),$((12 * s)) $((2 * s)),$((2 * s))" \
        -draw "roundrectangle $((31 * s)),$((3 * s)) $((35 * s)),$((12 * s)) $((2 * s)),$((2 * s))" \
        -fill '#f28c28' \
        -draw "circle $((15 * s)),$((37 * s)) $((18 * s)),$((37 * s))" \
        -draw "polygon $(ring $((15 * s)) $((37 * s)) $((6 * s)) $((10 * s)))" \
        -draw "polygon $(ring $((15 * s)) $((37 * s)) $((13 * s)) $((17 * s)))" \
        -filter Box -resize "${n}x${n}" "PNG32:$tmp/icon$n.png"
}

for n in 16 32 48; do draw "$n"; done
convert "$tmp/icon16.png" "$tmp/icon32.png" "$tmp/icon48.png" ZelvaroFeed.ico
