#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test: the format
# check, the native suite, the same suite under ASan+UBSan, the fuzz targets
# (a few seconds each plus their corpora), and the Windows build's tests under
# Wine. Anything missing (a fuzz target, its seed corpus, the Wine tests)
# counts as a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh test
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

build() {  # preset: configure and build it, warnings being errors
    echo "== $1: build"
    cmake --preset "$1" -DVANTORIA_WERROR=ON >"$log/$1-configure.txt" ||
        { cat "$log/$1-configure.txt"; exit 1; }
    cmake --build --preset "$1"
}

run_suite() {  # preset
    build "$1"
    echo "== $1: tests"
    ctest --preset "$1" -j2 2>&1 | tee "$log/$1-ctest.txt" || true
    count_ctest "$log/$1-ctest.txt"
}

echo "== format"
if git ls-files -z -- '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run -Werror >"$log/format.txt" 2>&1; then
    echo "format: ok"
    passed=$((passed + 1))
else
    echo "format: FAILED (clang-format -i on these files)"
    grep -Eo '^[^:]+:[0-9]+:[0-9]+: error' "$log/format.txt" | cut -d: -f1 | sort -u || true
    failed=$((failed + 1))
fi

run_suite linux-release
run_suite linux-asan

# Every fuzz/fuzz_<name>.cpp must give a built target with a non-empty seed
# corpus in fuzz/corpus/<name>/.
build fuzz
echo "== fuzz: run"
for source in fuzz/fuzz_*.cpp; do
    name=$(basename "$source" .cpp)
    target=build/fuzz/fuzz/$name
    corpus=$root/fuzz/corpus/${name#fuzz_}
    if [[ ! -x $target ]]; then
        echo "fuzz $name: FAILED (no target built from $source)"
        failed=$((failed + 1))
        continue
    fi
    if [[ ! -d $corpus || -z $(ls -A "$corpus") ]]; then
        echo "fuzz $name: FAILED (no seed corpus in ${corpus#"$root"/})"
        failed=$((failed + 1))
        continue
    fi
    work=$(mktemp -d)
    cp -r "$corpus/." "$work/"
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

build windows
echo "== windows: tests under Wine"
if [[ ! -f scripts/wine-tests.sh ]]; then
    echo "wine: FAILED (scripts/wine-tests.sh is missing)"
    failed=$((failed + 1))
elif bash scripts/wine-tests.sh build/windows 2>&1 | tee "$log/wine.txt"; then
    passed=$((passed + $(grep -c '^wine ok' "$log/wine.txt" || true)))
else
    failed=$((failed + 1))
fi

echo "suites: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
