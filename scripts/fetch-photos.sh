#!/usr/bin/env bash
# Fetches the sample photographs (astronaut.png, coffee.png, chelsea.png from
# Debian's python3-skimage package) into build/photos/, once. They are never
# committed. Exits non-zero when a photograph could not be had.
set -euo pipefail
cd "$(dirname "$0")/.."
photos=$(pwd)/build/photos
names=(astronaut.png coffee.png chelsea.png)

missing=()
for name in "${names[@]}"; do
    [[ -f $photos/$name ]] || missing+=("$name")
done
((${#missing[@]})) || exit 0

echo "== fetching the sample photographs (python3-skimage): ${missing[*]}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if (cd "$work" && apt-get download python3-skimage >/dev/null 2>&1); then
    dpkg-deb -x "$work"/python3-skimage_*.deb "$work/x"
    mkdir -p "$photos"
    for name in "${missing[@]}"; do
        found=$(find "$work/x" -path '*skimage/data/*' -name "$name" -print -quit)
        [[ -n $found ]] && cp "$found" "$photos/$name"
    done
fi
status=0
for name in "${missing[@]}"; do
    if [[ ! -f $photos/$name ]]; then
        echo "fetch-photos: $name could not be had" >&2
        status=1
    fi
done
exit $status
