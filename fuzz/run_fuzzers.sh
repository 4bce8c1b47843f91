#!/usr/bin/env bash
# Runs every fuzz target of a build for a number of seconds each, on a fresh
# copy of its seed corpus. A crash, a sanitizer report, a broken property or a
# timeout stops the run with the input saved under BUILD_DIR/artifacts/.
#
#   fuzz/run_fuzzers.sh BUILD_DIR SECONDS [TARGET...]
set -euo pipefail
build=$1
seconds=$2
shift 2
source_dir=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for folder in "$source_dir"/corpus/*/; do
        targets+=("$(basename "$folder")")
    done
fi
# Allocations the libraries keep for the life of the process are not leaks of the program's own.
export LSAN_OPTIONS="suppressions=$source_dir/../tests/lsan.supp:print_suppressions=0"

mkdir -p "$build/artifacts"
passed=0
failed=0
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    rm -rf "$corpus"
    mkdir -p "$corpus"
    cp "$source_dir/corpus/$target"/* "$corpus/"
    dictionary=()
    if [ -f "$source_dir/$target.dict" ]; then
        dictionary=(-dict="$source_dir/$target.dict")
    fi
    # Flags of the target's own, one or more a line, "#" lines being comments.
    options=()
    if [ -f "$source_dir/$target.options" ]; then
        read -ra options <<< "$(grep -v '^#' "$source_dir/$target.options" | tr '\n' ' ')"
    fi
    log="$build/$target.log"
    echo "== $target for $seconds s (log: $log)"
    if "$build/fuzz/$target" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
        "${dictionary[@]}" "${options[@]}" -artifact_prefix="$build/artifacts/$target-" \
        "$corpus" > "$log" 2>&1; then
        grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE)' "$log" | tail -n 1 || true
        grep -E '^stat::number_of_executed_units' "$log" || true
        passed=$((passed + 1))
    else
        tail -n 60 "$log"
        echo "$target FAILED: the input is in $build/artifacts/"
        failed=$((failed + 1))
    fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
