#!/usr/bin/env bash
# Installs with apt-get whatever the builds and tests need that is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config ccache clang-format
    clang-14 libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    liblcms2-dev libtiff-dev libpng-dev libjpeg-dev
    # Argyll reads the ICC profiles we write back in the tests.
    argyll
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    # Wine for 64-bit programs only: Debian's wine starts wine64 when the
    # 32-bit loader is absent, so no i386 architecture is needed. Its fonts,
    # in which dialogs are laid out, are only recommended, hence named here.
    wine64 wine fonts-wine xvfb xauth
)

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
