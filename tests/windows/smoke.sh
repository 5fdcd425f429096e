#!/usr/bin/env bash
# Smoke run of the built Windows programs under Wine, as a person would use
# them: two korvant-sim.exe registers on loopback addresses, korvant-cli.exe
# reading, editing, checking and writing them, and korvant-utility.exe (a real
# window under Xvfb, driven by keys through xdotool) loading a register's
# parameters and goods catalogue and saving its profile; korvant-cli.exe then
# checks what the utility saved.
#   bash tests/windows/smoke.sh build-windows
# Screenshots go to build-windows/smoke/*.png.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(cd "$1" && pwd)
if [ -z "${KORVANT_SMOKE_DISPLAY:-}" ]; then
    KORVANT_SMOKE_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
. "$here/wine-env.sh" "$out"
bin="$out/korvant-utility"
work="$out/smoke"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

fail() {
    echo "smoke: FAIL: $*" >&2
    shot failed
    exit 1
}
step() { echo "smoke: $*"; }
shot() { import -window root "$work/$1.png" 2>/dev/null || true; }
cli() { wine "$bin/korvant-cli.exe" "$@"; }
unixPath() { winepath -u "$(wine cmd /c echo "$1" 2>/dev/null | tr -d '\r')"; }

# Loopback addresses of this run's registers; the utility talks to port 8080.
A=127.0.23.2
B=127.0.23.3
SA=0012300001
SB=0012300002
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wineserver --kill 2>/dev/null || true
}
trap cleanup EXIT

# A first run for the utility: the smoke run's own store and snapshots.
data="$(unixPath '%APPDATA%')/Korvant Engineering"
rm -rf "$data"

startSim() { # address serial family
    wine "$bin/korvant-sim.exe" --address "$1" --port 8080 --discovery-port 0 --serial "$2" --family "$3" \
        --state "$work/$2.store" >"$work/sim-$2.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 60); do
        grep -q listening "$work/sim-$2.log" && return 0
        sleep 0.5
    done
    fail "korvant-sim.exe on $1 did not start: $(cat "$work/sim-$2.log")"
}
startSim "$A" "$SA" 2.53
startSim "$B" "$SB" 2.52
step "two korvant-sim.exe registers listen on $A and $B"

# --- korvant-cli.exe against both registers ---------------------------------
cli ping "$A" | grep -q "отвечает" || fail "ping $A"
cli info "$A" --json >info-a.json
grep -q "\"$SA\"" info-a.json || fail "info $A: $(cat info-a.json)"
cli read-params "$A" -o a0.json
cli read-params "$B" -o b0.json
cli check a0.json >check-a.txt || [ $? -eq 1 ] || fail "check a0.json"
# An edit by field name, in Cyrillic, written and read back.
step "korvant-cli.exe read both registers"
cli set a0.json 'receiptHeader[2]=Ждём вас снова' 'departments[1].name=Хлеб' -o a1.json
cli write-params "$A" a1.json >write-a.txt
cli read-params "$A" -o a2.json
cli show a2.json | grep -q '"Ждём вас снова"' || fail "the edited header line did not reach $A"
cli diff a1.json a2.json >/dev/null || fail "what was written to $A reads back different: $(cli diff a1.json a2.json)"
cli snapshots "$SA" | grep -q "korvant-cli" || fail "no korvant-cli snapshot of $SA: $(cli snapshots "$SA")"

# A goods catalogue in Windows-1251 with CRLF, in the form the goods window
# and korvant-cli save it (names quoted, prices without trailing zeros), so
# what is read back must match byte for byte.
printf 'name;intcode;barcode;price;dept\r\n"Хлеб ржаной";1;4600000000015;45.5;1\r\n"Молоко 3,2%%";2;4600000000022;89.9;1\r\n"Кефир «Домашний»";3;4600000000039;72;1\r\n' |
    iconv -f UTF-8 -t CP1251 >goods.csv
cli goods-check goods.csv >/dev/null || fail "goods-check goods.csv: $(cli goods-check goods.csv)"
cli write-goods "$A" goods.csv --serial "$SA" >/dev/null
cli write-goods "$B" goods.csv --serial "$SB" >/dev/null
cli read-goods "$A" -o goods-a0.csv
cmp -s goods.csv goods-a0.csv || fail "goods read back from $A differ from what was written"
step "korvant-cli.exe wrote, read back and compared parameters and goods (Cyrillic, Windows-1251)"

# In a console (a pseudo-terminal gives the program one under Wine) the text
# goes out as wide characters and reads the same.
script -qc "wine '$bin/korvant-cli.exe' ping $A" /dev/null | tr -d '\r' | grep -q "ККТ по адресу $A отвечает" ||
    fail "korvant-cli.exe in a console did not print Russian text readably"
step "korvant-cli.exe in a console prints Russian text as wide characters"

# --- korvant-utility.exe ------------------------------------------------------
# Both registers in the utility's list, as its registration dialog leaves them.
mkdir -p "$data"
printf '[devices]\r\n1\\addr=%s\r\n1\\name=A-253\r\n1\\serial=%s\r\n1\\version=2.53.40\r\n2\\addr=%s\r\n2\\name=B-252\r\n2\\serial=%s\r\n2\\version=2.52.40\r\nsize=2\r\n' \
    "$A" "$SA" "$B" "$SB" >"$data/KorvantUtility3.conf"
wine "$bin/korvant-utility.exe" &
utility=$!
pids+=($utility)
main=
for _ in $(seq 90); do
    main=$(xdotool search --name '^Korvant Utility 3$' 2>/dev/null | head -n 1) && [ -n "$main" ] && break
    kill -0 "$utility" 2>/dev/null || break
    sleep 1
done
[ -n "$main" ] || fail "korvant-utility.exe showed no main window"
sleep 3
shot main-window
step "korvant-utility.exe shows its main window with both registers (main-window.png)"

# There is no window manager: a click gives the window the keyboard. A
# double-click on the first row opens register A's window.
xdotool mousemove --window "$main" 100 158 click --repeat 2 --delay 80 1
device=
for _ in $(seq 30); do
    device=$(xdotool search --name "ККТ A-253" 2>/dev/null | head -n 1) && [ -n "$device" ] && break
    sleep 1
done
[ -n "$device" ] || fail "double-clicking register A opened no window"
# F5 loads the parameters from the register, Ctrl+S saves them as its
# profile; korvant-cli then finds in the store what the register holds.
xdotool key F5
sleep 5
xdotool key ctrl+Tab ctrl+Tab ctrl+Tab
sleep 1
shot device-window
xdotool key ctrl+s
sleep 3
cli profile export "$SA" -o profile-a.json >/dev/null || fail "the utility saved no profile of $SA"
cli read-params "$A" -o a3.json >/dev/null
cli diff profile-a.json a3.json >/dev/null ||
    fail "the profile the utility saved differs from register A: $(cli diff profile-a.json a3.json)"
step "korvant-utility.exe loaded register A, its departments tab shows (device-window.png), its profile matches"

# Data > Goods by keys (Alt, then the menus), then Register > Load.
xdotool key alt
sleep 0.5
xdotool key Right Right Down Down Return
sleep 3
xdotool key alt
sleep 0.5
xdotool key Down Return
sleep 5
shot goods-window
step "korvant-utility.exe loaded register A's goods (goods-window.png)"
xdotool key alt+F4
sleep 2
xdotool key alt+F4
sleep 2

# Closing it writes the window's state into the same store, keeping the list.
# A click below the list gives the main window the keyboard back.
xdotool mousemove --window "$main" 100 380 click 1
sleep 1
xdotool key alt+F4
for _ in $(seq 30); do
    kill -0 "$utility" 2>/dev/null || break
    sleep 1
done
! kill -0 "$utility" 2>/dev/null || fail "korvant-utility.exe did not close"
grep -q "serial=$SB" "$data/KorvantUtility3.conf" || fail "the store lost the register list"
step "passed"
