#!/usr/bin/env bash
# Builds the user guide ("Руководство пользователя") into HTML in one command:
#   bash scripts/guide.sh      -> build/src/app/guide/index.html
# (the same pages the package installs under /usr/share/doc/korvant-utility/
# guide, and that the program opens with F1 when run from build/). The
# screenshots are taken as committed; scripts/screenshots.sh makes them anew.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j2 --target korvant_guide >"$root/build/guide-build.log" 2>&1 || {
    cat "$root/build/guide-build.log"
    exit 1
}
index="$root/build/src/app/guide/index.html"
if [ ! -f "$index" ]; then
    echo "The guide was not built: see the configure output of cmake (python3-markdown)" >&2
    exit 1
fi
echo "User guide: $index"
