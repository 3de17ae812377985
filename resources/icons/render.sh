#!/usr/bin/env bash
# Renders the SVG sources in this folder to the PNG and .ico files the build
# uses. The rendered files are kept in the repository so that building needs
# neither tool; run this after changing a drawing.
#   needs: rsvg-convert (librsvg2-bin), convert (imagemagick), python3
set -euo pipefail
cd "$(dirname "$0")"

render() { # name size...
    local name=$1; shift
    for size in "$@"; do
        rsvg-convert -w "$size" -h "$size" "$name.svg" -o "$name-$size.png"
    done
}

# The window icons again as bare RGBA pixels (8 bits a channel, straight
# alpha, rows top to bottom), which the program shows without decoding.
raw() { # name size...
    local name=$1; shift
    for size in "$@"; do
        convert "$name-$size.png" -depth 8 "rgba:$name-$size.rgba"
    done
}

# name, PNG sizes, then the sizes that go into the Windows .ico. The window
# icons come in the sizes their title bars need at 100, 125, 150 and 200 %.
render orvex 16 20 24 30 32 36 40 48 64 128 256
raw orvex 16 20 24 30 32 36 40 48
python3 make_ico.py orvex.ico orvex-24.png orvex-20.png orvex-16.png

if [ -f question.svg ]; then
    render question 16 20 24 32 40 48 64
    raw question 16 20 24 32 40 48 64
    python3 make_ico.py question.ico question-32.png question-16.png
fi
if [ -f flag.svg ]; then
    render flag 32 40 48 64
fi
echo "icons rendered in $(pwd)"
