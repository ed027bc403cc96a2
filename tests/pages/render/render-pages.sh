#!/usr/bin/env bash
# Renders every page of the desktop application into PNG files for review.
#   tests/pages/render/render-pages.sh [BUILD-DIR] [OUTPUT-FOLDER]
# BUILD-DIR defaults to build-gui, OUTPUT-FOLDER to BUILD-DIR/page-renders.
# Runs under xvfb-run (a real X server, so fonts and styles are the ones an
# operator sees); without it, on Qt's offscreen platform.
set -eu
cd "$(dirname "$0")/../../.."
build=${1:-build-gui}
out=${2:-$build/page-renders}
cmake --build "$build" --target fennmere-render-pages -j 2 >/dev/null
renderer=$build/tests/fennmere-render-pages
mkdir -p "$out"
if command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" "$renderer" "$out"
else
    QT_QPA_PLATFORM=offscreen "$renderer" "$out"
fi
