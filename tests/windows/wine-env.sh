# Sourced by the scripts beside it: Wine in the build's own prefix, quiet,
# without the Mono and Gecko installers, and with the folders of the DLLs the
# test programs load (the cross-built Qt and the MinGW runtime) on its PATH.
#   . wine-env.sh BUILD_WINDOWS_FOLDER [QT_FOLDER]
out=$1
qt=${2:-}
export WINEPREFIX="$out/wine"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
winpath() { printf 'Z:%s' "${1//\//\\}"; }
if [ -n "$qt" ]; then
    runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
    export WINEPATH="$(winpath "$qt/bin");$(winpath "$runtime");$(winpath /usr/x86_64-w64-mingw32/lib)"
    # Wine hands QT_* variables on only when written WINEQT_*.
    export WINEQT_PLUGIN_PATH="$(winpath "$qt/plugins")"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: making the prefix $WINEPREFIX" >&2
    wineboot --init >/dev/null 2>&1
    wineserver --wait
fi
