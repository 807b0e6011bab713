#!/usr/bin/env bash
# Installs with apt-get whatever one purpose needs that is missing:
#   bash scripts/setup.sh run    the Linux release of the plug-in and the batch
#                                command (scripts/run.sh)
#   bash scripts/setup.sh test   everything the test command builds and runs
#                                (scripts/test.sh); the default
#   bash scripts/setup.sh bench  the run's packages and vips, the peer of the
#                                batch command's benchmark (bench/batch_vs_vips.sh)
set -euo pipefail

purpose=${1:-test}

# The plug-in and the batch command (its image files through libvips, a
# TIFF's own tags completed with libtiff and exiv2). The project's languages
# are C and C++, so both compilers; ccache is used when present.
run_packages=(
    cmake ninja-build gcc g++ ccache pkg-config
    libvips-dev libtiff-dev libexiv2-dev
)

test_packages=(
    "${run_packages[@]}"
    git clang-format pkg-config
    clang-14 libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    liblcms2-dev
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    # Wine for 64-bit programs only: Debian's wine starts wine64 when the
    # 32-bit loader is absent, so no i386 architecture is needed. Its fonts,
    # in which dialogs are laid out, are only recommended, hence named here.
    wine64 wine fonts-wine xvfb xauth
    # Screenshots of the dialogs under Wine: xwd reads the virtual display,
    # ImageMagick turns it into PNG (and the photographs into the test host's
    # PPM files); xdotool gives the dialogs real clicks and keys.
    x11-apps imagemagick xdotool
    # Argyll reads the ICC profiles we write back in the tests.
    argyll
    # ffmpeg applies the .cube files the batch command exports.
    ffmpeg
    # exiftool reads back the tags of the files the batch command writes.
    libimage-exiftool-perl
)

bench_packages=(
    "${run_packages[@]}"
    libvips-tools bc
)

case $purpose in
    run) packages=("${run_packages[@]}") ;;
    bench) packages=("${bench_packages[@]}") ;;
    test) packages=("${test_packages[@]}") ;;
    *)
        echo "usage: setup.sh [run|test|bench]" >&2
        exit 2
        ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
