#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG. Run after changing
# packaging/icons/korvant-utility.svg and commit the PNGs with it: the build
# and the package use the committed files and need no SVG renderer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh" --icons
icons="$root/packaging/icons"
for size in 16 24 32 48 64 128 256; do
    dir="$icons/hicolor/${size}x${size}/apps"
    mkdir -p "$dir"
    rsvg-convert -w "$size" -h "$size" "$icons/korvant-utility.svg" -o "$dir/korvant-utility.png"
done
echo "Rendered into $icons/hicolor"
