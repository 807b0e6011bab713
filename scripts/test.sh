#!/usr/bin/env bash
# Builds everything and runs every test: the native suite, the same suite
# under ASan+UBSan, the fuzz targets (a few seconds each plus their corpora),
# and the Windows build's tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh
bash scripts/fetch-photos.sh || true  # photographs of the integration tests (they fail without)

export CCACHE_DIR=${CCACHE_DIR:-$root/build/ccache}
log=$root/build/test-logs
mkdir -p "$log"
passed=0
failed=0

count_ctest() {  # adds the counts of a ctest summary to the totals
    local line total nfail
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$1" | tail -1 || true)
    if [[ -z $line ]]; then failed=$((failed + 1)); return; fi
    nfail=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + total - nfail))
    failed=$((failed + nfail))
}

run_suite() {  # preset
    echo "== $1: build"
    cmake --preset "$1" >"$log/$1-configure.txt" || { cat "$log/$1-configure.txt"; exit 1; }
    cmake --build --preset "$1"
    echo "== $1: tests"
    ctest --preset "$1" -j2 2>&1 | tee "$log/$1-ctest.txt" || true
    count_ctest "$log/$1-ctest.txt"
}

run_suite linux-release
run_suite linux-asan

echo "== fuzz: build and run"
cmake --preset fuzz >"$log/fuzz-configure.txt" || { cat "$log/fuzz-configure.txt"; exit 1; }
cmake --build --preset fuzz
for target in build/fuzz/fuzz/fuzz_*; do
    [[ -x $target ]] || continue
    name=$(basename "$target")
    corpus=$root/fuzz/corpus/${name#fuzz_}
    work=$(mktemp -d)
    [[ -d $corpus ]] && cp -r "$corpus/." "$work/"
    if "$target" -runs=0 "$work" >"$log/$name-replay.txt" 2>&1 &&
        "$target" -max_total_time=5 -rss_limit_mb=2048 "$work" >"$log/$name.txt" 2>&1; then
        echo "fuzz $name: ok ($(grep -Eo 'Done [0-9]+ runs' "$log/$name.txt" | tail -1))"
        passed=$((passed + 1))
    else
        echo "fuzz $name: FAILED"; tail -30 "$log/$name.txt" "$log/$name-replay.txt"
        failed=$((failed + 1))
    fi
    rm -rf "$work"
done

echo "== windows: cross build"
cmake --preset windows >"$log/windows-configure.txt" || { cat "$log/windows-configure.txt"; exit 1; }
cmake --build --preset windows
if [[ -f scripts/wine-tests.sh ]]; then
    if bash scripts/wine-tests.sh build/windows 2>&1 | tee "$log/wine.txt"; then
        passed=$((passed + $(grep -c '^wine ok' "$log/wine.txt" || true)))
    else
        failed=$((failed + 1))
    fi
fi

echo "suites: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
