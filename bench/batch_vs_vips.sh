#!/usr/bin/env bash
# The batch command on a 24-megapixel photograph (6000 x 4000 TIFF, 8 and 16
# bits) beside vips doing what a user would otherwise reach for: a levels
# lookup table and a sharpen, on one thread (VIPS_CONCURRENCY=1), and beside a
# plain copy of the file. Each figure
# is the median of three whole runs, files included; for the batch command the
# share of its files (reading and writing) and of the plug-in comes from its
# own summary line. Then the batch command with its defaults beside a plain
# `vips copy` of the same file, both with libvips's default threads. Ends with
# two lines per depth:
#   batch 24MP <8|16>-bit: vantoria <s> s, vips <s> s, ratio <vantoria/vips>
#   batch-vs-copy 24MP <8|16>-bit: vantoria <s> s, vips copy <s> s, ratio <r>
# Usage: bash bench/batch_vs_vips.sh   (after a linux-release build)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh bench
bash scripts/fetch-photos.sh
vantoria=$root/build/linux-release/vantoria
[[ -x $vantoria ]] || {
    echo "bench: build the linux-release preset first ($vantoria is missing)" >&2
    exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config  # the runs leave the user's preferences alone

# The photograph enlarged to 6000 x 4000, once at 8 and once at 16 bits.
vips resize "$root/build/photos/astronaut.png" "$work/big.v" 11.71875 --vscale 7.8125
vips tiffsave "$work/big.v" "$work/in8.tif"
vips cast "$work/big.v" "$work/wide.v" ushort
vips linear "$work/wide.v" "$work/scaled.v" 257 0
vips cast "$work/scaled.v" "$work/big16.v" ushort
vips copy "$work/big16.v" "$work/in16.tif[compression=none]" --interpretation rgb16

# Levels tables for vips: a stretch of the 8-bit range 10..245 (and the same
# for 16 bits) over the identity table.
vips identity "$work/lut8.v"
vips linear --uchar -- "$work/lut8.v" "$work/lut8s.v" 1.085 -10.85
vips identity "$work/lut16i.v" --ushort --size 65536
vips linear -- "$work/lut16i.v" "$work/lut16f.v" 1.085 -2789
vips cast "$work/lut16f.v" "$work/lut16s.v" ushort

seconds() {  # command...: wall seconds of one run
    local start end
    start=$(date +%s.%N)
    "$@" >"$work/last.txt" 2>&1 || { cat "$work/last.txt" >&2; exit 1; }
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

median3() {  # command...: the median of three runs, after one warm-up
    local a b c
    "$@" >/dev/null 2>&1 || true
    a=$(seconds "$@")
    b=$(seconds "$@")
    c=$(seconds "$@")
    printf '%s\n%s\n%s\n' "$a" "$b" "$c" | sort -g | sed -n 2p
}

vips_levels_sharpen() {  # depth in out
    vips maplut "$2" "$work/levelled.v" "$work/lut$1s.v"
    vips sharpen "$work/levelled.v" "$3"
}

shares() {  # the files' and the plug-in's seconds from the last summary line
    local r p w
    read -r r p w < <(sed -nE 's/.*read and settings ([0-9.]+) s, plug-in ([0-9.]+) s, write ([0-9.]+) s.*/\1 \2 \3/p' \
        "$work/last.txt" | tail -1)
    printf 'files %.3f s, plug-in %.3f s' "$(echo "$r + $w" | bc -l)" "$p"
}

declare -A result
# The copy comparison first, with libvips's own threads.
for depth in 8 16; do
    in=$work/in$depth.tif
    result[all$depth]=$(median3 "$vantoria" "$in" "$work/out-v$depth.tif")
    result[copy$depth]=$(median3 vips copy "$in" "$work/out-copy$depth.tif")
done
export VIPS_CONCURRENCY=1
for depth in 8 16; do
    in=$work/in$depth.tif
    t=$(median3 "$vantoria" "$in" "$work/out-v$depth.tif")
    printf 'vantoria %2s-bit defaults        %6.3f s  (%s; last run)\n' "$depth" "$t" "$(shares)"
    result[$depth]=$t
    t=$(median3 "$vantoria" --noise --sharpen "$in" "$work/out-n$depth.tif")
    printf 'vantoria %2s-bit noise+sharpen   %6.3f s  (%s; last run)\n' "$depth" "$t" "$(shares)"
    t=$(median3 vips_levels_sharpen "$depth" "$in" "$work/out-vips$depth.tif")
    printf 'vips     %2s-bit levels+sharpen  %6.3f s  (one thread)\n' "$depth" "$t"
    result[vips$depth]=$t
done
for depth in 8 16; do
    printf 'batch 24MP %s-bit: vantoria %.2f s, vips %.2f s, ratio %.2f\n' "$depth" \
        "${result[$depth]}" "${result[vips$depth]}" \
        "$(echo "${result[$depth]} / ${result[vips$depth]}" | bc -l)"
done
for depth in 8 16; do
    printf 'batch-vs-copy 24MP %s-bit: vantoria %.2f s, vips copy %.2f s, ratio %.2f\n' "$depth" \
        "${result[all$depth]}" "${result[copy$depth]}" \
        "$(echo "${result[all$depth]} / ${result[copy$depth]}" | bc -l)"
done
