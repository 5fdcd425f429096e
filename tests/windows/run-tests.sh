#!/usr/bin/env bash
# Runs the Windows build's test suite under Wine:
#   bash tests/windows/run-tests.sh build-windows QT_FOLDER [ctest arguments]
# The tests that need Linux (network namespaces, /proc, file size limits, the
# .deb) are not built for Windows; see the README's Windows section.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(cd "$1" && pwd)
qt=$2
shift 2
. "$here/wine-env.sh" "$out" "$qt"
# Qt on Windows logs (and QtTest reports) to the debugger unless stderr is a
# console; ctest wants them in its output. (Wine passes QT_* variables to
# Windows programs only when written WINEQT_*.)
export WINEQT_FORCE_STDERR_LOGGING=1
cd "$out/cmake"
# The GUI tests draw offscreen; Wine itself still wants a display for the
# hidden windows of Qt's event loop.
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j2 --timeout 900 "$@"
