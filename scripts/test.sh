#!/usr/bin/env bash
# Installs what is missing, builds Orlevan and runs every test.
# With --sanitize the build (with clang) and the tests run under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the fuzz targets run briefly.
source "$(dirname "$0")/common.sh"
orlevan_install_missing
dir="$ORLEVAN_ROOT/build"
args=()
if [ "${1:-}" = "--sanitize" ]; then
    dir="$ORLEVAN_ROOT/build-sanitize"
    # clang, so that the same build also makes the fuzz targets (label "fuzz").
    args=(-DORLEVAN_SANITIZE=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
    orlevan_forget_other_compiler "$dir" clang++
fi
orlevan_build "$dir" "${args[@]}"
cd "$dir"
ctest --output-on-failure -j "$(nproc)"
