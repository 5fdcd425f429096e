#!/usr/bin/env bash
# The Windows build in one command, on Debian 12:
#   bash scripts/build-windows.sh [--no-tests] [--no-installer]
# installs what it needs (scripts/install-deps.sh --windows), builds Qt for
# Windows once or reuses it (scripts/cross-qt.sh), cross-builds the project with
# cmake/mingw-w64-x86_64.cmake, and makes in build-windows/:
#   cmake/                     the build tree (programs and tests)
#   korvant-utility/           the three programs with all they need
#   korvant-utility-VERSION-win64-setup.exe   the installer (NSIS)
# Then, unless --no-tests, it runs the tests under Wine (tests/windows/run-tests.sh),
# the GUI smoke run against two simulated registers (tests/windows/smoke.sh)
# and the installer test (tests/windows/installer.sh). Wine runs in its own
# prefix, build-windows/wine; nothing leaves the loopback addresses.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-windows"
tests=1
installer=1
for arg in "$@"; do
    case "$arg" in
    --no-tests) tests=0 ;;
    --no-installer) installer=0 ;;
    *)
        echo "build-windows.sh: unknown option $arg" >&2
        exit 2
        ;;
    esac
done

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/install-deps.sh" --windows
start=$(date +%s)
qt=$(bash "$root/scripts/cross-qt.sh" | tail -n 1)
qtDone=$(date +%s)

# The CSV reader is a header-only Debian package; the cross compiler gets that
# one folder, not the host's /usr/include.
mkdir -p "$out/host-include"
ln -sfn /usr/include/libfccp "$out/host-include/libfccp"

# -O2 as the Debian build (-O3 makes GCC 12 warn falsely inside qendian.h).
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$out/cmake" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
    -DKORVANT_WERROR=ON -DKORVANT_BUILD_BENCH=OFF \
    -DQt5_DIR="$qt/lib/cmake/Qt5" -DLIBFCCP_INCLUDE_DIR="$out/host-include" \
    -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include \
    "${launcher[@]}" >/dev/null
cmake --build "$out/cmake" -j2
rm -rf "$out/korvant-utility"
cmake --install "$out/cmake" --prefix "$out/korvant-utility" --strip >/dev/null
# Debian ships the MinGW runtime DLLs with their symbols (libstdc++ 23 MB).
x86_64-w64-mingw32-strip --strip-unneeded "$out"/korvant-utility/lib*.dll
built=$(date +%s)
version=$(sed -nE 's/^project\(KorvantUtility3 VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")

if [ "$installer" -eq 1 ]; then
    setup=$(bash "$root/packaging/windows/make-installer.sh" "$out" "$version")
fi
done=$(date +%s)

if [ "$tests" -eq 1 ]; then
    bash "$root/tests/windows/run-tests.sh" "$out" "$qt"
    bash "$root/tests/windows/smoke.sh" "$out"
    if [ "$installer" -eq 1 ]; then
        bash "$root/tests/windows/installer.sh" "$out" "$setup"
    fi
fi

echo "build-windows: Qt $((qtDone - start)) s ($(cat "$(dirname "$qt")/done") when first built)," \
    "project $((built - qtDone)) s, installer $((done - built)) s"
echo "build-windows: programs in $out/korvant-utility ($(du -sh "$out/korvant-utility" | cut -f1))"
if [ "$installer" -eq 1 ]; then
    echo "build-windows: installer $setup ($(du -h "$setup" | cut -f1))"
fi
