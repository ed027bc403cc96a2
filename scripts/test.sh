#!/usr/bin/env bash
# Builds and runs the whole test suite: the normal build, AddressSanitizer +
# UndefinedBehaviorSanitizer, ThreadSanitizer for the link tests, a short run
# of every fuzz target, and the Windows cross-build of the core and the
# command line, which then runs under Wine against the logger simulator, and
# the Debian package.
set -u
cd "$(dirname "$0")/.."
root=$(pwd)
. scripts/deps.sh
fennmere_need_packages cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev \
    g++-mingw-w64-x86-64-posix qt6-base-dev nlohmann-json3-dev libcli11-dev libedit-dev pkg-config wine64 ser2net \
    binutils-mingw-w64-x86-64

jobs=${FENNMERE_JOBS:-2}
fuzz_seconds=${FENNMERE_FUZZ_SECONDS:-20}
passed=0
failed=0
failures=()

step() {  # step NAME COMMAND...
    local name=$1
    shift
    echo "=== $name"
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        failures+=("$name")
        echo "*** FAILED: $name"
    fi
}

configure_and_build() {  # configure_and_build DIR CMAKE-ARGS...
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null && cmake --build "$dir" -j "$jobs"
}

run_ctest() {  # run_ctest DIR [CTEST-ARGS...]
    local dir=$1
    shift
    ctest --test-dir "$dir" -j "$jobs" --output-on-failure "$@"
}

# 1. Release build, every test (the desktop application's on Qt's offscreen platform).
step "build (release)" configure_and_build build/test-release -DCMAKE_BUILD_TYPE=RelWithDebInfo
step "tests (release)" run_ctest build/test-release

# 2. AddressSanitizer and UndefinedBehaviorSanitizer.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
step "build (asan+ubsan)" configure_and_build build/test-asan -DCMAKE_BUILD_TYPE=Debug \
    -DFENNMERE_SANITIZE=address,undefined -DFENNMERE_BUILD_GUI=OFF
step "tests (asan+ubsan)" run_ctest build/test-asan

# 3. ThreadSanitizer on the link tests.
if [ -d link ] && ls tests/link/*.cpp >/dev/null 2>&1; then
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    step "build (tsan)" configure_and_build build/test-tsan -DCMAKE_BUILD_TYPE=Debug \
        -DFENNMERE_SANITIZE=thread -DFENNMERE_BUILD_TOOLS=OFF -DFENNMERE_BUILD_GUI=OFF
    step "tests (tsan, link)" run_ctest build/test-tsan -R '^link\.'
fi

# 4. Fuzz targets, briefly, from their seed corpora (clang, libFuzzer + ASan + UBSan).
run_fuzzers() {
    local dir=build/test-fuzz
    local status=0
    for fuzzer in "$dir"/tests/fuzz_*; do
        [ -x "$fuzzer" ] || continue
        local name=${fuzzer##*/fuzz_}
        local corpus=$dir/corpus/$name
        rm -rf "$corpus" && mkdir -p "$corpus"
        cp -r tests/fuzz/corpus/"$name"/. "$corpus"/ 2>/dev/null
        echo "--- fuzz_$name for ${fuzz_seconds}s"
        if ! "$fuzzer" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" >"$dir/fuzz_$name.log" 2>&1; then
            tail -n 40 "$dir/fuzz_$name.log"
            status=1
        else
            grep -E '^Done|#[0-9]+.*DONE' "$dir/fuzz_$name.log" | tail -n 1
        fi
    done
    return $status
}
step "build (fuzz)" configure_and_build build/test-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DFENNMERE_FUZZ=ON -DFENNMERE_BUILD_TESTS=ON -DFENNMERE_BUILD_TOOLS=OFF -DFENNMERE_BUILD_GUI=OFF
step "fuzz" run_fuzzers

# 5. The core and the command line must keep building for Windows, and
#    fennmere.exe must work there: under Wine, against the simulator.
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && [ -f cmake/mingw-w64.cmake ]; then
    step "build (windows)" bash -c "cmake -S '$root' -B build/test-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE='$root/cmake/mingw-w64.cmake' -DFENNMERE_BUILD_TESTS=OFF >/dev/null \
        && cmake --build build/test-win -j $jobs"
    step "windows command line under wine" tests/wine/cli_under_wine.sh build/test-win/tools/fennmere.exe \
        build/test-release
fi

# 6. The Debian package, made from the release build's binaries, and checked:
#    lintian without errors, the desktop entry, the AppStream file, and the
#    unpacked fennmere's --version and new.
step "debian package" scripts/package.sh --check build/test-release

echo
if [ "$failed" -ne 0 ]; then
    printf 'failed step: %s\n' "${failures[@]}"
fi
echo "steps: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
