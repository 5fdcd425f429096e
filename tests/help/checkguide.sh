#!/usr/bin/env bash
# Builds the user guide into a temporary folder with build.py --check (a link
# to a missing page or anchor, a missing image, or a screenshot no page shows
# fails), and compares the screenshots in the sources with the list of those
# korvant-guide makes: a picture of a window the program no longer has, or a
# new one never made, fails.
# Usage: checkguide.sh PYTHON GUIDE_SOURCE_DIR KORVANT_GUIDE
set -euo pipefail
python=$1
src=$2
program=$3
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail=0
"$python" "$src/build.py" --out "$out" --codes-program "$program" --check || fail=1
made=$("$program" screenshots --list | LC_ALL=C sort)
have=$(cd "$src/images" && ls -1 -- *.png | LC_ALL=C sort)
if [ "$made" != "$have" ]; then
    echo "FAIL: docs/guide/images differs from what korvant-guide makes (< made, > in the folder);"
    echo "run bash scripts/screenshots.sh"
    diff <(echo "$made") <(echo "$have") || true
    fail=1
fi
[ "$fail" -eq 0 ] && echo "PASS: $(ls "$out"/*.html | wc -l) pages, $(wc -l <<<"$have") screenshots"
exit "$fail"
