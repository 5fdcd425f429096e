#!/usr/bin/env bash
# Makes the NSIS installer from a laid-out program folder:
#   bash packaging/windows/make-installer.sh BUILD_WINDOWS VERSION
# reads BUILD_WINDOWS/korvant-utility/ and writes
# BUILD_WINDOWS/korvant-utility-VERSION-win64-setup.exe (its path is printed).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(cd "$1" && pwd)
version=$2
setup="$out/korvant-utility-$version-win64-setup.exe"
# The file lists, so the uninstaller removes what was installed and nothing else.
(
    cd "$out/korvant-utility"
    find . -mindepth 1 -type d | sort | sed -E 's|^\./||; s|/|\\|g; s|.*|CreateDirectory "$INSTDIR\\&"|' >"$out/install-files.nsh"
    find . -type f | sort | while read -r f; do
        f=${f#./}
        dir=$(dirname "$f")
        if [ "$dir" = . ]; then dir=; else dir="\\${dir//\//\\}"; fi
        printf 'SetOutPath "$INSTDIR%s"\nFile "%s"\n' "$dir" "$out/korvant-utility/$f"
    done >>"$out/install-files.nsh"
    find . -type f | sort | sed -E 's|^\./||; s|/|\\|g; s|.*|Delete "$INSTDIR\\&"|' >"$out/uninstall-files.nsh"
    find . -mindepth 1 -type d | sort -r | sed -E 's|^\./||; s|/|\\|g; s|.*|RMDir "$INSTDIR\\&"|' >>"$out/uninstall-files.nsh"
)
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DOUTFILE="$setup" -DFILES="$out" \
    -DICON="$here/../icons/korvant-utility.ico" "$here/installer.nsi" >&2
echo "$setup"
