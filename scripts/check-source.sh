#!/usr/bin/env bash
# Checks the C++ sources without building them:
# - formatting: every C++ file as clang-format 14 lays it out with the
#   project's .clang-format (fix with: clang-format-14 -i FILE);
# - layers: the core folders include nothing from the folders above them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh

mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
status=0
if ! clang-format-14 --dry-run --Werror "${files[@]}"; then
    echo "check-source: files above are not formatted (clang-format-14 -i FILE)" >&2
    status=1
fi

# folder: the project folders it may include from (besides itself)
layers=(
    "src/store:"
    "src/params:store classes"
    "src/help:"
    "src/link:store params help"
    "src/history:store params link goods classes"
    "src/fleet:store params link goods classes history tabs"
)
for rule in "${layers[@]}"; do
    dir=${rule%%:*}
    allowed="${dir#src/} ${rule#*:}"
    while IFS= read -r line; do
        folder=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$line")
        if ! grep -qw -- "$folder" <<<"$allowed"; then
            echo "check-source: $line: $dir may not include from $folder/" >&2
            status=1
        fi
    done < <(grep -rnE '^#include "[a-z]+/' "$dir" || true)
done

if [ "$status" -eq 0 ]; then
    echo "check-source: ${#files[@]} C++ files formatted; layers point down"
fi
exit "$status"
