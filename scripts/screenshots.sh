#!/usr/bin/env bash
# Makes the user guide's screenshots from the current program:
#   bash scripts/screenshots.sh [DIR]     (default: docs/guide/images)
# builds korvant-guide in build/, which starts simulated registers on
# 127.0.0.2-127.0.0.4 (ephemeral ports; nothing leaves this machine), opens
# every window and tab the guide shows through their real actions, and saves
# one PNG each. It runs on a virtual display of its own (Xvfb, 1280x1024: the
# offscreen platform's 800x600 screen would squeeze the windows), in the
# Fusion style with DejaVu Sans, so the pictures do not depend on the desktop.
# Look at them before committing: `git diff --stat docs/guide/images`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/guide/images}
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j2 --target korvant-guide >"$root/build/screenshots-build.log" 2>&1 || {
    cat "$root/build/screenshots-build.log"
    exit 1
}
mkdir -p "$out"
# Pictures the guide no longer shows go; the rest are made anew.
find "$out" -maxdepth 1 -name '*.png' -delete
xvfb-run -a -s "-screen 0 1280x1024x24" "$root/build/tools/guide/korvant-guide" screenshots "$out"
echo "Screenshots in $out"
