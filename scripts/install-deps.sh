#!/usr/bin/env bash
# Installs the Debian packages the project needs. Idempotent: when every
# package is already present it does nothing and needs no network.
set -euo pipefail

packages=(
    build-essential cmake
    qtbase5-dev libqt5network5
    libfccp-dev
    zlib1g-dev
    fonts-dejavu-core
    xvfb xauth
    iproute2
)

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
