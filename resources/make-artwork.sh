#!/bin/sh
# Builds the artwork program and draws banner.jpg, banner@2x.jpg, icons/tessaline-<size>.png,
# icon.png and tessaline.ico into this folder.
# Needs g++, pkg-config, Qt 6 Gui and the DejaVu fonts (the banner's title).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O2 -Wall -Wextra -fPIC "$here/make_artwork.cpp" -o "$work/make_artwork" \
    $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$work/make_artwork" "$here"
