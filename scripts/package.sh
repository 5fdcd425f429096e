#!/usr/bin/env bash
# Builds the Debian package in one command and checks it with lintian:
#   bash scripts/package.sh     -> build-package/korvant-utility_VERSION_ARCH.deb
# Install it with "sudo apt install ./build-package/korvant-utility_*.deb".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build-package"
bash "$root/scripts/install-deps.sh" --package
# The optimisation the test suite runs with, plus Debian's hardening flags for
# a program that is shipped; CPack strips the debug data.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
bash "$root/scripts/build.sh" build-package -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVANT_BUILD_TESTS=OFF -DKORVANT_BUILD_BENCH=OFF \
    "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
rm -f "$dir"/korvant-utility_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/korvant-utility_*.deb)
# Errors fail the build; warnings are shown.
lintian --fail-on error "$deb"
desktop-file-validate "$root"/packaging/*.desktop
appstreamcli validate --no-net "$root"/packaging/*.metainfo.xml
echo "Package: $deb"
