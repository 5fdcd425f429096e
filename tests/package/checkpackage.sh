#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree and checks what
# it holds: its exact file list, its version and its Depends. Runs lintian
# where it is installed (scripts/install-deps.sh --package).
# Usage: checkpackage.sh BUILD_DIR VERSION; exit 77 (skipped) without dpkg-deb.
set -euo pipefail
build=$1
version=$2

for tool in dpkg-deb dpkg-shlibdeps file; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (Debian packages dpkg-dev, file); the package cannot be built here"
        exit 77
    fi
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log"
    exit 1
fi
deb=$(ls "$out"/korvant-utility_"$version"_*.deb)
fail=0

# Every file, and nothing else: no library, test or build file slips in.
expected="./usr/bin/korvant-cli
./usr/bin/korvant-sim
./usr/bin/korvant-utility
./usr/share/applications/ru.korvant_eng.KorvantUtility3.desktop
./usr/share/doc/korvant-utility/changelog.gz
./usr/share/doc/korvant-utility/copyright"
for size in 128 16 24 256 32 48 64; do
    expected+="
./usr/share/icons/hicolor/${size}x${size}/apps/korvant-utility.png"
done
expected+="
./usr/share/icons/hicolor/scalable/apps/korvant-utility.svg
./usr/share/man/man1/korvant-cli.1.gz
./usr/share/man/man1/korvant-sim.1.gz
./usr/share/man/man1/korvant-utility.1.gz
./usr/share/man/ru/man1/korvant-cli.1.gz
./usr/share/man/ru/man1/korvant-sim.1.gz
./usr/share/man/ru/man1/korvant-utility.1.gz
./usr/share/metainfo/ru.korvant_eng.KorvantUtility3.metainfo.xml"
# The user guide as built beside the program, every page and picture of it.
guide="$build/src/app/guide"
if [ ! -f "$guide/index.html" ]; then
    echo "FAIL: the user guide is not built ($guide/index.html): the package would lack it"
    fail=1
else
    expected+="
$(cd "$guide" && find . -type f | sed 's|^\./|./usr/share/doc/korvant-utility/guide/|')"
fi
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | LC_ALL=C sort)
expected=$(LC_ALL=C sort <<<"$expected")
if [ "$actual" != "$expected" ]; then
    echo "FAIL: file list differs (< expected, > in the package):"
    diff <(echo "$expected") <(echo "$actual") || true
    fail=1
fi

field() { dpkg-deb -f "$deb" "$1"; }
if [ "$(field Version)" != "$version" ]; then
    echo "FAIL: Version is '$(field Version)', expected '$version'"
    fail=1
fi
depends=$(field Depends)
# The libraries come from dpkg-shlibdeps; the translation and font by hand.
for dep in qttranslations5-l10n fonts-dejavu-core libqt5widgets5 libqt5gui5 libqt5network5 libqt5core5a libc6; do
    if ! grep -qE "(^|[ ,|])$dep( |,|$)" <<<"$depends"; then
        echo "FAIL: Depends lacks $dep: $depends"
        fail=1
    fi
done

if command -v lintian >/dev/null; then
    if ! lintian --fail-on error "$deb"; then
        echo "FAIL: lintian reports errors"
        fail=1
    fi
else
    echo "lintian is not installed: not run (scripts/install-deps.sh --package installs it)"
fi

if [ "$fail" -eq 0 ]; then
    echo "PASS: $(basename "$deb"): $(wc -l <<<"$actual") files; Depends: $depends"
fi
exit "$fail"
