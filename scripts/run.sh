#!/usr/bin/env bash
# Builds the utility and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" build
app="$root/build/src/app/korvant-utility"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<TXT
The utility is built ($app), but this session has no display to show it on.
Run this command from a desktop session, or over "ssh -X", or try it in a
virtual display:

    xvfb-run -a $app

(Xvfb is installed; the window is then invisible, which is useful for
screenshots and automated checks only.)
TXT
    exit 2
fi
exec "$app"
