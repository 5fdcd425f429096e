#!/usr/bin/env bash
# Builds Qt 5.15 (qtbase: Core, Gui, Widgets, Network, Test and the Windows
# platform and style plugins) for 64-bit Windows with the MinGW-w64 cross
# compiler, from Debian's own source package, and prints the folder of the
# built Qt on its last line. The build is kept in a cache outside the
# repository, keyed by the source version and the configure options, so a
# second run reuses it:
#   ${KORVANT_CACHE:-~/.cache/korvant}/qt5-mingw-VERSION-HASH/
# The folder is a "non-prefix" build: its bin/qmake and lib/cmake serve from
# where they are, with no install step. The log is build.log in that folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${KORVANT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/korvant}
jobs=${KORVANT_JOBS:-2}
bash "$root/scripts/install-deps.sh" --windows

# The source the host's Qt was built from, so host tools and translations
# match the Windows libraries.
version=$(dpkg-query -W -f='${Version}' qtbase5-dev)
upstream=${version%%+*}

# The -posix compilers (std::thread, std::mutex); the plain names may point at
# the win32 thread model when both are installed.
toolbin="$cache/mingw-posix-bin"
mkdir -p "$toolbin"
for tool in gcc g++ c++ cpp; do
    ln -sf "$(command -v x86_64-w64-mingw32-$tool-posix || command -v x86_64-w64-mingw32-g++-posix)" \
        "$toolbin/x86_64-w64-mingw32-$tool"
done
export PATH="$toolbin:$PATH"

# After make: Qt's Russian texts where the built Qt looks for them (the tests
# run with its own folders), and the time taken.
finish() {
    # Object files are not needed once the libraries are linked.
    find "$qt/src" -name '*.o' -delete
    mkdir -p "$qt/translations"
    cp /usr/share/qt5/translations/qtbase_ru.qm "$qt/translations/"
    echo "$(($(date +%s) - start)) s" >"$dir/done"
    echo "cross-qt: built in $(cat "$dir/done")" >&2
    echo "$qt"
    exit 0
}

options=(
    -opensource -confirm-license -release -shared
    -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32-
    -nomake examples -nomake tests
    -no-opengl -no-icu -no-dbus -no-openssl
    # Debian's source lacks the tablet header the Windows plugin includes.
    -no-feature-tabletevent -no-direct2d
    -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre
    -no-sql-sqlite -no-sql-odbc
)
key=$(printf '%s\n' "$version" "$(x86_64-w64-mingw32-g++ -dumpversion)" "${options[@]}" | sha256sum | cut -c1-12)
dir="$cache/qt5-mingw-$upstream-$key"
qt="$dir/qtbase"

if [ -f "$dir/done" ]; then
    echo "cross-qt: reusing $qt" >&2
    echo "$qt"
    exit 0
fi
log="$dir/build.log"
start=$(date +%s)

# A build that was stopped part-way (a session's end, Ctrl+C) goes on where
# it stopped; make knows what is done.
if [ -f "$dir/configured" ]; then
    echo "cross-qt: resuming the build in $dir (log: $log)" >&2
    # A compile killed part-way leaves an empty object file that make then
    # takes as done, and the link fails on it.
    find "$qt" -name '*.o' -size 0 -print -delete >>"$log"
    (cd "$qt" && nice -n 10 make -j"$jobs" >>"$log" 2>&1)
    finish
fi

rm -rf "$dir"
mkdir -p "$dir"
echo "cross-qt: building Qt $version for Windows in $dir (log: $log)" >&2

# apt-get source needs a deb-src entry. None is written into the project:
# the entry is the machine's own Debian entry with its type changed.
if ! apt-cache showsrc qtbase-opensource-src 2>/dev/null | grep -q '^Package:'; then
    list=/etc/apt/sources.list.d/korvant-deb-src.sources
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$list"
    else
        list=/etc/apt/sources.list.d/korvant-deb-src.list
        sed -nE 's/^deb (.*)/deb-src \1/p' /etc/apt/sources.list >"$list"
    fi
    echo "cross-qt: added $list (source entries of the machine's Debian lists)" >&2
    apt-get update -qq
fi

(cd "$dir" && apt-get source -qq "qtbase-opensource-src=$version") >>"$log" 2>&1 ||
    (cd "$dir" && apt-get source -qq qtbase-opensource-src) >>"$log" 2>&1
mv "$dir"/qtbase-opensource-src-*/ "$qt"
rm -f "$dir"/*.dsc "$dir"/*.tar.* "$dir"/*.debian.*

cd "$qt"
echo "cross-qt: configure ${options[*]}" >>"$log"
nice -n 10 ./configure -prefix "$qt" "${options[@]}" >>"$log" 2>&1
echo "$(($(date +%s) - start)) s" >"$dir/configured"
nice -n 10 make -j"$jobs" >>"$log" 2>&1
finish
