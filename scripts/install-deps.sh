#!/usr/bin/env bash
# Installs the Debian packages the project needs. Idempotent: when every
# package is already present it does nothing and needs no network.
#   install-deps.sh            what building, running and testing need (the
#                              package test included)
#   install-deps.sh --package  also what checking the .deb needs (lintian and
#                              the desktop entry and AppStream validators)
#   install-deps.sh --icons    also the SVG renderer for scripts/render-icons.sh
#   install-deps.sh --windows  also what scripts/build-windows.sh needs: the
#                              MinGW-w64 cross compiler (POSIX threads), zlib
#                              for it, Wine to run the tests, NSIS for the
#                              installer, xdotool and ImageMagick for the GUI
#                              smoke run
set -euo pipefail

packages=(
    build-essential cmake
    qtbase5-dev libqt5network5
    qttranslations5-l10n
    libfccp-dev
    zlib1g-dev
    fonts-dejavu-core
    xvfb xauth
    iproute2
    clang-format-14
    dpkg-dev file
)

for arg in "$@"; do
    case "$arg" in
    --package) packages+=(lintian desktop-file-utils appstream) ;;
    --icons) packages+=(librsvg2-bin icoutils) ;;
    --windows)
        packages+=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 nsis xdotool imagemagick)
        ;;
    *)
        echo "install-deps.sh: unknown option $arg" >&2
        exit 2
        ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}" >&2
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
