#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang (build/fuzz) and runs one of them.
#   scripts/fuzz.sh                  builds every target
#   scripts/fuzz.sh TARGET SECONDS [OPTION...]
#                                    fuzzes TARGET (inifile, massageini, cp932, cmdline, sqllex,
#                                    tsqlscript, statefiles, wfr) for SECONDS on one core; further
#                                    options go to libFuzzer (-ignore_crashes=1 -fork=1 ...)
# New inputs go to build/fuzz/corpus/TARGET (the seeds in tests/fuzz/corpus/TARGET are read,
# never written); a failing input is saved as build/fuzz/crash-* and replayed with
#   build/fuzz/bin/fuzz_TARGET build/fuzz/crash-...
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang++ >/dev/null; then
    echo "clang++ is missing (scripts/deps.sh installs it)" >&2
    exit 1
fi
build=build/fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DTOPMENU_TESTS=OFF -DTOPMENU_BENCH=OFF -DTOPMENU_FUZZ=ON >/dev/null

if [[ $# -eq 0 ]]; then
    cmake --build "$build" -j "$(nproc)" --target fuzz_inifile fuzz_massageini fuzz_cp932 fuzz_cmdline \
        fuzz_sqllex fuzz_tsqlscript fuzz_statefiles fuzz_wfr
    exit 0
fi

target=$1
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
cmake --build "$build" -j "$(nproc)" --target "fuzz_$target"
corpus="$build/corpus/$target"
mkdir -p "$corpus"
# The targets write their files in a temporary folder: in memory where possible, since every
# replace is flushed to disk.
if [[ -d /dev/shm && -w /dev/shm ]]; then
    export TMPDIR=/dev/shm
fi
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
exec "bin/fuzz_$target" -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=4096 \
    -print_final_stats=1 "$@" "corpus/$target" "../../tests/fuzz/corpus/$target"
