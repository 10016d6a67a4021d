#!/usr/bin/env bash
# Builds the fuzz targets of the untrusted-document readers with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer (in build-fuzz, apart from
# the gcc builds) and runs each for the given number of seconds (default 60).
# Seeds and regression inputs are in fuzz/corpus/<target>; new inputs go to
# build-fuzz/corpus/<target>, and crashes or timeouts to build-fuzz/crashes/<target>:
# copy such a file into fuzz/corpus/<target> once it is mended.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
build=build-fuzz
targets=(chunk bank midimap)

scripts/deps.sh test
mkdir -p "$build"
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORLAN_FUZZ=ON -DVORLAN_TESTS=OFF -DVORLAN_BENCH=OFF ${VORLAN_FUZZ_CMAKE_ARGS:-} > "$build/build.log"
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/vorlan_fuzz_}" >> "$build/build.log"

failed=0
for target in "${targets[@]}"; do
    mkdir -p "$build/corpus/$target" "$build/crashes/$target"
    echo "fuzzing $target for $seconds s"
    if ! "$build/fuzz/vorlan_fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 \
            -artifact_prefix="$build/crashes/$target/" -print_final_stats=1 \
            "$build/corpus/$target" "fuzz/corpus/$target" > "$build/$target.log" 2>&1; then
        tail -n 60 "$build/$target.log"
        echo "fuzz target $target failed: see $build/$target.log and $build/crashes/$target"
        failed=1
    else
        grep -E "^stat::number_of_executed_units|^Done" "$build/$target.log" | tr '\n' ' '
        echo
    fi
done
exit $failed
