#!/usr/bin/env bash
# The main job: builds the Linux release and corrects a photograph
# (astronaut.png from Debian's python3-skimage package, fetched into
# build/photos/ once by scripts/fetch-photos.sh) with the batch command's
# embedded default (automatic black and white points, sharpen), writing the
# result and the settings it used to build/run/ and saying what it did.
# Usage: bash scripts/run.sh [INPUT.png [OUTPUT.png]]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh run

export CCACHE_DIR=${CCACHE_DIR:-$root/build/ccache}
echo "== build (linux-release)"
# Only the plug-in and the batch command: the tests and benchmarks need
# packages that `setup.sh run` does not install (the preset turns them on again).
cmake --preset linux-release -DVANTORIA_TESTS=OFF -DVANTORIA_BENCH=OFF >/dev/null
cmake --build --preset linux-release --target vantoria vantoria_batch

photos=$root/build/photos
input=${1:-}
if [[ -z $input ]]; then
    input=$photos/astronaut.png
    bash scripts/fetch-photos.sh || true
fi

mkdir -p "$root/build/run"
output=${2:-$root/build/run/result.png}
echo "== run"
settings=${output%.*}-settings.txt
if [[ -f $input ]]; then
    build/linux-release/vantoria --save-settings "$settings" "$input" "$output"
else
    echo "run: no sample photograph could be had; using a synthetic image instead"
    build/linux-release/vantoria --save-settings "$settings" --synthetic 640x480 "$output"
fi
echo "run: the result is $output; the settings used are in $settings"
