#!/usr/bin/env bash
# Installs the Debian packages that building Vorlan needs; with "test", also
# those its tests and benchmarks need.
set -euo pipefail

packages=(
    g++ cmake pkg-config make
    juce-modules-source fst-dev libexpat1-dev
    libasound2-dev libfreetype-dev libfontconfig1-dev libx11-dev libxcomposite-dev
    libxcursor-dev libxext-dev libxinerama-dev libxrandr-dev libxrender-dev libgl-dev
    fonts-dejavu-core
)

if [ "${1:-}" = "test" ]; then
    packages+=(googletest libgtest-dev libbenchmark-dev xvfb openbox libxtst-dev clang-14 libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
