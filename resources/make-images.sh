#!/usr/bin/env bash
# Draws the seven 32 x 32 toolbar images and the tray icon with ImageMagick.
# Run from this folder; the PNGs it writes are committed beside it.
set -euo pipefail
c() { convert -size 32x32 xc:none "$@"; }
# 0 settings and help: a blue disc with a question mark
c -fill '#2f6fb5' -draw 'circle 16,16 16,2' -fill white -stroke white -strokewidth 1 \
  -gravity center -pointsize 24 -annotate +0+1 '?' toolbar0.png
# 1 add: a green plus
c -fill '#2e9d3a' -draw 'roundrectangle 3,3 28,28 6,6' -fill white -draw 'rectangle 14,8 17,23' -draw 'rectangle 8,14 23,17' toolbar1.png
# 2 not used by any button: a grey clock face
c -fill '#9a9a9a' -draw 'circle 16,16 16,3' -stroke white -strokewidth 2 -draw 'line 16,16 16,8' -draw 'line 16,16 22,16' toolbar2.png
# 3 start running: a golden bell
c -fill '#d8a21a' -stroke '#8a6510' -strokewidth 1 \
  -draw "path 'M 16,4 C 9,4 8,12 8,17 L 5,24 L 27,24 L 24,17 C 24,12 23,4 16,4 Z'" \
  -fill '#8a6510' -draw 'circle 16,27 16,25' toolbar3.png
# 4 exit: a red power symbol
c -fill none -stroke '#c62828' -strokewidth 3 -draw 'arc 5,6 27,28 -60,240' -draw 'line 16,3 16,15' toolbar4.png
# 5 stop playing: a dark red square
c -fill '#b3261e' -draw 'roundrectangle 6,6 25,25 3,3' toolbar5.png
# 6 song station: a purple double note
c -fill '#6a3fb0' -stroke '#6a3fb0' -draw 'ellipse 9,24 5,4 0,360' -draw 'ellipse 23,21 5,4 0,360' \
  -strokewidth 2 -draw 'line 13,24 13,6' -draw 'line 27,21 27,4' -strokewidth 4 -draw 'line 13,7 27,4' toolbar6.png
# tray icon: the bell on a blue round tile, reduced to 16 colours
c -fill '#1f5fa8' -draw 'circle 16,16 16,1' -fill '#f2c230' \
  -draw "path 'M 16,6 C 11,6 10,12 10,16 L 8,22 L 24,22 L 22,16 C 22,12 21,6 16,6 Z'" \
  -fill '#f2c230' -draw 'circle 16,25 16,23' -colors 16 tray.png

# The application icon in the hicolor sizes: the tray bell drawn at 256 pixels, then scaled down.
mkdir -p icons
convert -size 256x256 xc:none -fill '#1f5fa8' -draw 'circle 128,128 128,8' -fill '#f2c230' \
  -draw "path 'M 128,48 C 88,48 80,96 80,128 L 64,176 L 192,176 L 176,128 C 176,96 168,48 128,48 Z'" \
  -draw 'circle 128,200 128,184' icons/256.png
for size in 16 24 32 48 64 128; do
  convert icons/256.png -resize ${size}x${size} icons/$size.png
done
