#!/usr/bin/env bash
# Installs the Windows installer under Wine, starts the installed programs,
# uninstalls, and checks what remains; then the same with /REMOVEDATA.
#   bash tests/windows/installer.sh build-windows SETUP.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(cd "$1" && pwd)
setup=$2
. "$here/wine-env.sh" "$out"
unset WINEPATH QT_PLUGIN_PATH # the installed programs must find their own DLLs

fail() {
    echo "installer test: FAIL: $*" >&2
    exit 1
}
unixPath() { winepath -u "$(wine cmd /c echo "$1" 2>/dev/null | tr -d '\r')"; }

programs=$(unixPath '%ProgramW6432%')
dir="$programs/Korvant Utility 3"
menu="$(unixPath '%ProgramData%')/Microsoft/Windows/Start Menu/Programs/Korvant Utility 3"
data="$(unixPath '%APPDATA%')/Korvant Engineering"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KorvantUtility3'

install() {
    wine "$setup" /S
    wineserver --wait
    for f in korvant-utility.exe korvant-cli.exe korvant-sim.exe Qt5Core.dll Qt5Widgets.dll \
        libstdc++-6.dll plugins/platforms/qwindows.dll plugins/styles/qwindowsvistastyle.dll \
        translations/qtbase_ru.qm qt.conf uninstall.exe; do
        [ -f "$dir/$f" ] || fail "$f not installed in $dir"
    done
    [ -f "$menu/Korvant Utility 3.lnk" ] || fail "no Start-menu entry in $menu"
    wine reg query "$key" /v DisplayVersion 2>/dev/null | grep -q DisplayVersion || fail "no uninstall entry"
    echo "installer test: installed into $dir ($(du -sh "$dir" | cut -f1)), Start-menu entry and uninstall entry present"
}

# The user's settings and snapshots, as the programs leave them.
userData() {
    mkdir -p "$data/KorvantUtility3/snapshots/0012345678"
    printf '[devices]\nsize=0\n' >"$data/KorvantUtility3.conf"
    printf '{}' >"$data/KorvantUtility3/snapshots/0012345678/2026-12-10_06-00-00-000_params_device-window.json"
}

uninstall() {
    wine "$dir/uninstall.exe" /S "$@"
    wineserver --wait
    [ ! -e "$dir" ] || fail "$dir remains: $(find "$dir" | head)"
    [ ! -e "$menu" ] || fail "Start-menu folder remains"
    if wine reg query "$key" >/dev/null 2>&1; then fail "uninstall entry remains"; fi
}

install
# The installed programs start from their folder with nothing but what was installed.
version=$(wine "$dir/korvant-cli.exe" --version | tr -d '\r')
[ "$version" = "korvant-cli $(sed -nE 's/^project\(KorvantUtility3 VERSION ([0-9.]+).*/\1/p' "$here/../../CMakeLists.txt")" ] ||
    fail "installed korvant-cli says: $version"
shot="$out/installed-utility.png"
# Wine's desktop, started without a display by the steps before, would keep
# the window off the X server.
wineserver --kill
wineserver --wait
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    wine "$1/korvant-utility.exe" &
    # The first start in a busy Wine prefix may take a while.
    for i in $(seq 150); do
        sleep 1
        xdotool search --name "Korvant Utility 3" >/dev/null 2>&1 && break
    done
    sleep 2
    xdotool search --name "Korvant Utility 3" >/dev/null 2>&1 || { echo "no window"; wineserver --kill; exit 1; }
    import -window root "$2"
    wineserver --kill
' _ "$dir" "$shot" || fail "the installed korvant-utility.exe showed no window"
echo "installer test: the installed korvant-utility.exe started (screenshot $shot)"

userData
uninstall
[ -f "$data/KorvantUtility3.conf" ] && [ -d "$data/KorvantUtility3/snapshots/0012345678" ] ||
    fail "the plain uninstall removed the user's settings or snapshots"
echo "installer test: uninstalled; the user's settings and snapshots remain:"
find "$data" | sed "s|^$data|  %APPDATA%/Korvant Engineering|"

install
uninstall /REMOVEDATA
[ ! -e "$data" ] || fail "uninstall /REMOVEDATA left $(find "$data")"
echo "installer test: uninstall /REMOVEDATA removed the settings and snapshots too"
echo "installer test: passed"
