#!/bin/sh
# Builds the libFuzzer targets with clang in build-fuzz and runs each for N seconds (default 30).
# A crash, a leak or a sanitizer report fails the run. New inputs go to build-fuzz/corpus/;
# with --keep they are merged (minimised) into the seed corpus under tests/exchange/corpus/.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${ORVELAN_FUZZ_BUILD:-$ROOT/build-fuzz}
SECONDS_EACH=30
KEEP=0
for arg in "$@"; do
    case "$arg" in
        --keep) KEEP=1 ;;
        *[!0-9]*|'') echo "usage: $0 [SECONDS] [--keep]" >&2; exit 2 ;;
        *) SECONDS_EACH=$arg ;;
    esac
done

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVELAN_LOGIC_ONLY=ON -DORVELAN_FUZZ=ON \
    -DORVELAN_BENCH=OFF >/dev/null
ninja -C "$BUILD" fuzz_csv_reader fuzz_eab_reader fuzz_vcard_reader

# The three run side by side: on a machine of two cores or more the whole run takes about
# SECONDS_EACH, not three times that.
pids=""
for pair in csv_reader:csv eab_reader:eab vcard_reader:vcf; do
    target=${pair%%:*}
    kind=${pair##*:}
    seeds="$ROOT/tests/exchange/corpus/$kind"
    work="$BUILD/corpus/$kind"
    mkdir -p "$work" "$BUILD/artifacts/$kind"
    echo "== fuzz_$target for ${SECONDS_EACH}s"
    "$BUILD/fuzz/fuzz_$target" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
        -detect_leaks=1 -print_final_stats=1 -max_len=8192 \
        -artifact_prefix="$BUILD/artifacts/$kind/" "$work" "$seeds" \
        >"$BUILD/fuzz_$target.log" 2>&1 &
    pids="$pids $target:$kind:$!"
done

status=0
for entry in $pids; do
    target=${entry%%:*}
    rest=${entry#*:}
    kind=${rest%%:*}
    pid=${rest#*:}
    if ! wait "$pid"; then
        echo "fuzz_$target FAILED; see $BUILD/fuzz_$target.log and $BUILD/artifacts/$kind/" >&2
        tail -n 40 "$BUILD/fuzz_$target.log" >&2
        status=1
        continue
    fi
    echo "fuzz_$target:"
    grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$BUILD/fuzz_$target.log" || true
    if [ "$KEEP" = 1 ]; then
        "$BUILD/fuzz/fuzz_$target" -merge=1 "$ROOT/tests/exchange/corpus/$kind" "$BUILD/corpus/$kind" \
            >/dev/null 2>&1
    fi
done
exit $status
