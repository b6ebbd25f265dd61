#!/usr/bin/env bash
# Runs every fuzz target for longer than CI does: scripts/fuzz.sh [SECONDS per target, default 300] [TARGET...]
# Builds the sanitizer build with clang first. New inputs land in build-sanitize/fuzz/long/<target>; copy the ones
# worth keeping into fuzz/corpus/<target>. A finding is written there as crash-*, leak-* or timeout-*. At its end a
# target tells how many inputs went through each of its doors.
source "$(dirname "$0")/common.sh"
orlevan_install_missing
dir="$ORLEVAN_ROOT/build-sanitize"
orlevan_forget_other_compiler "$dir" clang++
orlevan_build "$dir" -DORLEVAN_SANITIZE=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
seconds="${1:-300}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for t in "$dir"/fuzz/fuzz_*; do
        [ -f "$t" ] && [ -x "$t" ] && targets+=("$(basename "$t")")
    done
fi
status=0
for t in "${targets[@]}"; do
    name="${t#fuzz_}"
    echo "== $t for ${seconds}s"
    mkdir -p "$dir/fuzz/long/$name"
    QT_QPA_PLATFORM=offscreen "$dir/fuzz/$t" -artifact_prefix="$dir/fuzz/long/$name/" -max_total_time="$seconds" \
        -max_len=4096 -print_final_stats=1 "$dir/fuzz/long/$name" "$ORLEVAN_ROOT/fuzz/corpus/$name" || status=1
done
exit $status
