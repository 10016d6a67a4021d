#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs the whole suite,
# after a short run of each fuzz target (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Release ${VORLAN_CMAKE_ARGS:-}
cmake --build build-test -j"$(nproc)"
scripts/fuzz.sh 50
cd build-test
ctest --output-on-failure -j"$(nproc)"
