#!/usr/bin/env bash
# Draws the splash picture resources/KST.bmp (ImageMagick): a meter's display with the program's
# name. Run it again after changing the picture; the result is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
font=/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf
narrow=/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Bold.ttf
convert -size 480x300 gradient:'#1f3b57-#0d1a26' \
    -fill '#c7d9b0' -stroke '#9fb38a' -strokewidth 3 -draw 'roundrectangle 40,70 440,210 14,14' \
    -stroke none -fill '#1d2a1a' -font "$narrow" -pointsize 92 -gravity center \
    -annotate +0-12 '1.234' \
    -font "$font" -pointsize 18 -annotate +150-50 'DC  V' \
    -fill '#1d2a1a' -draw 'rectangle 70,180 74,196 rectangle 82,184 86,196 rectangle 94,184 98,196
                           rectangle 106,184 110,196 rectangle 118,180 122,196 rectangle 130,184 134,196
                           rectangle 142,184 146,196 rectangle 154,184 158,196' \
    -fill white -font "$font" -pointsize 40 -gravity north -annotate +0+12 'KST' \
    -fill '#b8c8d8' -pointsize 16 -gravity south -annotate +0+42 'Multimeter data logger' \
    -fill '#8aa0b4' -pointsize 12 -annotate +0+18 'TRUE RMS MULTIMETER  ·  RS-232  ·  9600 8N1' \
    -type TrueColor BMP3:resources/KST.bmp
