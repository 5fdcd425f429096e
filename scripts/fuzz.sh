#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (tests/fuzz, address and
# undefined-behaviour checks on everything they reach) and runs them one
# after another at length.
#
#   scripts/fuzz.sh [-t SECONDS | -n RUNS] [TARGET...]
#
# Targets: frame taggedrecords directory discovery paramfile goodsimage
# goodscsv params (default: all), for 300 s each unless -t or -n says
# otherwise. Each grows its corpus in build-fuzz/corpus/TARGET from the seeds
# in tests/fuzz/corpus/TARGET; a finding is written to build-fuzz/findings/
# and ends the script with status 1. The last line per target gives the
# executions it ran. Run it on a shared machine under `nice -n 19`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
all=(frame taggedrecords directory discovery paramfile goodsimage goodscsv params)
limit=(-max_total_time=300)
while getopts "t:n:" opt; do
    case "$opt" in
    t) limit=(-max_total_time="$OPTARG") ;;
    n) limit=(-runs="$OPTARG") ;;
    *)
        echo "usage: $0 [-t SECONDS | -n RUNS] [TARGET...]" >&2
        exit 2
        ;;
    esac
done
shift $((OPTIND - 1))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

# Longest input each target is fed (tests/fuzz/fuzztargets.h).
declare -A maxlen=([frame]=2200 [taggedrecords]=1024 [directory]=300 [discovery]=256
    [paramfile]=16384 [goodsimage]=2048 [goodscsv]=4096 [params]=12000)

build="$root/build-fuzz"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVANT_FUZZ=ON -DKORVANT_BUILD_TESTS=OFF -DKORVANT_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

mkdir -p "$build/findings"
for t in "${targets[@]}"; do
    [ -n "${maxlen[$t]:-}" ] || { echo "fuzz.sh: unknown target $t" >&2; exit 2; }
    corpus="$build/corpus/$t"
    mkdir -p "$corpus"
    log="$build/fuzz-$t.log"
    status=0
    "$build/tests/fuzz/fuzz_$t" "${limit[@]}" -max_len="${maxlen[$t]}" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/findings/$t-" \
        "$corpus" "$root/tests/fuzz/corpus/$t" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    secs=$(sed -n 's/^stat::.*//; s/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
    if [ "$status" -ne 0 ]; then
        echo "$t: FINDING after ${runs:-?} executions, see $log and $build/findings/" >&2
        exit 1
    fi
    echo "$t: ${runs:-?} executions in ${secs:-?} s, no finding"
done
