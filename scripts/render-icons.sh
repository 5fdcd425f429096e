#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG, and the Windows icon
# file (korvant-utility.ico: 16 to 256 pixels) from them. Run after changing
# packaging/icons/korvant-utility.svg and commit the PNGs and the .ico with it:
# the builds and the packages use the committed files and need no renderer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh" --icons
icons="$root/packaging/icons"
for size in 16 24 32 48 64 128 256; do
    dir="$icons/hicolor/${size}x${size}/apps"
    mkdir -p "$dir"
    rsvg-convert -w "$size" -h "$size" "$icons/korvant-utility.svg" -o "$dir/korvant-utility.png"
done
sizes=()
for size in 16 24 32 48 64 128 256; do
    sizes+=("$icons/hicolor/${size}x${size}/apps/korvant-utility.png")
done
# 256 pixels stays PNG inside the icon file, as Windows expects.
icotool -c -o "$icons/korvant-utility.ico" "${sizes[@]:0:6}" -r "${sizes[6]}"
echo "Rendered into $icons/hicolor and $icons/korvant-utility.ico"
