#!/usr/bin/env bash
# Builds the libFuzzer harnesses in fuzz/ with clang and runs each for a
# bounded time on its corpus (fuzz/corpus/<name>). A crash fails the run and
# leaves its input in the build folder; add that file to fuzz/corpus/<name>/
# once the fault is mended, so every later run tries it first.
#   BUILD_DIR      where to build (default: build-fuzz)
#   FUZZ_SECONDS   time per harness (default: 60)
#   FUZZ_TARGETS   which harnesses (default: all)
#   FUZZ_SEED      libFuzzer's random seed (default: 1, so that a run can be
#                  repeated; 0 lets libFuzzer choose)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
targets=${FUZZ_TARGETS:-"hive directory local_files printable form command_line"}
seed=${FUZZ_SEED:-1}

CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTUMBLERSET_FUZZ=ON -DTUMBLERSET_BUILD_TESTS=OFF -DTUMBLERSET_BUILD_BENCH=OFF >/dev/null
for name in $targets; do
    cmake --build "$build_dir" --target "fuzz_$name"
done

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen
failed=()
for name in $targets; do
    # New inputs go to a scratch folder; the corpus in the repository is only read.
    scratch="$build_dir/fuzz-work/$name"
    crashes="$build_dir/fuzz-crashes/$name"
    mkdir -p "$scratch" "$crashes"
    echo "== fuzz_$name for ${seconds} s"
    if ! "$build_dir/fuzz/fuzz_$name" -max_total_time="$seconds" -seed="$seed" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$crashes/" -print_final_stats=1 \
        "$scratch" "fuzz/corpus/$name" 2>"$build_dir/fuzz-$name.log"; then
        tail -n 40 "$build_dir/fuzz-$name.log"
        echo "fuzz_$name failed; its input is in $crashes" >&2
        failed+=("$name")
    else
        grep -E '^stat::number_of_executed_units|^Done' "$build_dir/fuzz-$name.log" || true
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found faults in: ${failed[*]}" >&2
    exit 1
fi
