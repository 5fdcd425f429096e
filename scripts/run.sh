#!/usr/bin/env bash
# Builds the utility and starts it together with two simulated registers, one
# of each firmware family, so that it can be tried without hardware:
#   2.52 at 127.0.0.2:8080, serial number 0520000001
#   2.53 at 127.0.0.3:8080, serial number 0530000002
# Their storage is kept in build/demo/*.state across runs. They stop when the
# utility exits (also on Ctrl-C or an error). --no-demo starts the utility alone.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

demo=1
for arg in "$@"; do
    case "$arg" in
    --no-demo) demo=0 ;;
    -h | --help)
        sed -n '2,7s/^# \{0,1\}//p' "$0"
        exit 0
        ;;
    *)
        echo "run.sh: unknown option $arg (try --help)" >&2
        exit 2
        ;;
    esac
done

# Missing packages are installed in view (it may ask for a sudo password);
# the build itself is quiet, its output kept for when it fails.
bash "$root/scripts/install-deps.sh"
mkdir -p "$root/build"
build_log="$root/build/build.log"
echo "Building the utility (output in build/build.log)..."
if ! bash "$root/scripts/build.sh" build -DKORVANT_BUILD_TESTS=OFF >"$build_log" 2>&1; then
    cat "$build_log" >&2
    echo "run.sh: the build failed; its output is above and in $build_log" >&2
    exit 1
fi
app="$root/build/src/app/korvant-utility"
sim="$root/build/tools/sim/korvant-sim"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<TXT
The utility is built ($app), but this session has no display to show it on.
Run this command from a desktop session, or over "ssh -X", or try it in a
virtual display:

    xvfb-run -a bash scripts/run.sh

(Xvfb is installed; the window is then invisible, which is useful for
screenshots and automated checks only.) No simulated register was started.
TXT
    exit 2
fi

if [ "$demo" -eq 0 ]; then
    exec "$app"
fi

demo_dir="$root/build/demo"
mkdir -p "$demo_dir"
pids=()
app_pid=

stop_all() {
    local pid
    for pid in $app_pid "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in $app_pid "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
}
trap stop_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# start_register ADDRESS FAMILY SERIAL NAME
start_register() {
    local log="$demo_dir/$4.log"
    "$sim" --address "$1" --family "$2" --serial "$3" --state "$demo_dir/$4.state" >"$log" 2>&1 &
    local pid=$!
    pids+=("$pid")
    local i
    for i in $(seq 50); do
        if grep -q '^listening on' "$log"; then
            return 0
        fi
        if ! kill -0 "$pid" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    echo "run.sh: the simulated register $2 at $1:8080 did not start:" >&2
    cat "$log" >&2
    echo "(Is an earlier demo still running? Or start the utility alone with --no-demo.)" >&2
    exit 1
}

start_register 127.0.0.2 2.52 0520000001 kkt52
start_register 127.0.0.3 2.53 0530000002 kkt53
cat <<TXT
Simulated registers (they stop when the utility exits):
  family 2.52: IP address 127.0.0.2, serial number 0520000001
  family 2.53: IP address 127.0.0.3, serial number 0530000002
Register them with "Регистрация ККТ" by IP address or serial number.
Their storage: $demo_dir/*.state (delete to start afresh).
TXT

# In the background so that a signal to this script reaches the trap at once.
"$app" &
app_pid=$!
status=0
wait "$app_pid" || status=$?
app_pid=
exit "$status"
