#!/bin/sh
# Draws rq27.ico with ImageMagick: two character cells pushed together (spacing zero) under
# two arrows pointing at each other, on a blue tile. Sizes 256, 48, 32 and 16.
# Usage: Unit1/rq27-icon.sh [output.ico]
set -eu
out=${1:-"$(dirname "$0")/rq27.ico"}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
convert -size 256x256 xc:none \
  -fill '#1f5fa8' -draw 'roundrectangle 8,8 247,247 40,40' \
  -fill white -draw 'rectangle 40,100 127,216' -draw 'rectangle 128,100 215,216' \
  -fill '#1f5fa8' -draw 'rectangle 126,100 129,216' \
  -fill '#ffb020' \
  -draw 'polygon 30,58 100,58 100,36 128,68 100,100 100,78 30,78' \
  -draw 'polygon 226,58 156,58 156,36 128,68 156,100 156,78 226,78' \
  -fill '#1f5fa8' -draw 'rectangle 64,130 104,140' -draw 'rectangle 79,120 89,190' \
  -draw 'rectangle 150,130 194,140' -draw 'rectangle 150,165 194,175' \
  -draw 'rectangle 166,120 178,190' \
  -depth 8 -define png:exclude-chunks=date,time "$tmp/256.png"
for s in 48 32 16; do
  convert "$tmp/256.png" -resize ${s}x${s} -define png:exclude-chunks=date,time "$tmp/$s.png"
done
convert "$tmp/256.png" "$tmp/48.png" "$tmp/32.png" "$tmp/16.png" "$out"
