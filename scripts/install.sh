#!/usr/bin/env bash
# Installs what Vorlan needs, builds it in Release and installs the plug-in into
# ~/.vst and the resources into the all-users data folder.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVORLAN_TESTS=OFF -DVORLAN_BENCH=OFF
cmake --build build-release -j"$(nproc)" --target Vorlan_VST

mkdir -p "$HOME/.vst"
install -m 755 build-release/plugin/Vorlan_artefacts/Release/VST/libVorlan.so "$HOME/.vst/Vorlan.so"

common="${VORLAN_COMMON_DATA_DIR:-/opt/Quillmoor/Vorlan}"
sudo=""
if ! mkdir -p "$common" 2>/dev/null || [ ! -w "$common" ]; then
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
fi
$sudo mkdir -p "$common/Resources"
$sudo cp -r resources/. "$common/Resources/"
echo "Installed $HOME/.vst/Vorlan.so and $common/Resources"
