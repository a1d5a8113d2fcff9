#!/usr/bin/env bash
# Builds Quorvane and runs every test (installing what it needs with apt-get):
#   1. the whole suite in a release build,
#      then the Debian package made from it, unpacked into a throwaway folder and checked there,
#   2. the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
#   3. the threaded verification tests under ThreadSanitizer,
#   4. short smoke runs of the list-reader, registry-file and digest-list fuzzers (clang's libFuzzer).
# Incremental: the build folders under build/ are reused.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
quorvane_need "${QUORVANE_BUILD_PACKAGES[@]}" "${QUORVANE_TEST_PACKAGES[@]}"
quorvane_need_test_locale

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

step() { printf '\n== %s\n' "$*"; }

step "Release build and tests"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_BENCH=ON \
    -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs" --timeout 300

step "Package"
bash scripts/package-check.sh build/test

step "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-O1 -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
    -DCMAKE_C_FLAGS="-O1 -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/asan --output-on-failure -j "$jobs" --timeout 600 -LE peers

step "ThreadSanitizer build and the threaded tests"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_BENCH=OFF -DQUORVANE_GUI=OFF \
    -DCMAKE_CXX_FLAGS="-O1 -fsanitize=thread" -DCMAKE_C_FLAGS="-O1 -fsanitize=thread" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build build/tsan -j "$jobs" --target ProgressTests VerifyRunTests Crc32SplitTests ListWriterTests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --test-dir build/tsan --output-on-failure -j "$jobs" --timeout 600 -L threads

if command -v clang++ >/dev/null; then
    step "List-reader fuzzer, short smoke run"
    cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
        -DQUORVANE_FUZZ=ON -DQUORVANE_GUI=OFF -DQUORVANE_TESTS=OFF -DQUORVANE_BENCH=OFF >/dev/null
    cmake --build build/fuzz -j "$jobs" --target ListReaderFuzzer RegistryFuzzer DigestLinesFuzzer
    # fuzz_smoke FUZZER SECONDS CORPUS: a short run from the corpus kept in fuzz/; the log's tail on failure.
    fuzz_smoke() {
        mkdir -p "build/fuzz/$3"
        cp -n "fuzz/$3"/* "build/fuzz/$3/" 2>/dev/null || true
        "build/fuzz/fuzz/$1" -max_total_time="$2" -max_len=65536 -rss_limit_mb=2048 "build/fuzz/$3" >/dev/null \
            2>"build/fuzz/$1.log" || { tail -n 40 "build/fuzz/$1.log"; exit 1; }
        tail -n 1 "build/fuzz/$1.log"
    }
    fuzz_smoke ListReaderFuzzer 20 corpus

    step "Registry-file fuzzer, short smoke run"
    fuzz_smoke RegistryFuzzer 15 registry-corpus

    step "Digest-list fuzzer, short smoke run"
    fuzz_smoke DigestLinesFuzzer 15 digest-corpus
fi

step "All tests passed"
