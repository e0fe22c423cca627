#!/usr/bin/env bash
# Renders the program's icon resources/kst.svg into the 48 and 128 pixel PNGs beside it
# (rsvg-convert, package librsvg2-bin). Run it again after changing the picture; the results are
# committed.
set -euo pipefail
cd "$(dirname "$0")/../resources"
for size in 48 128; do
    rsvg-convert -w "$size" -h "$size" kst.svg -o "kst-$size.png"
done
