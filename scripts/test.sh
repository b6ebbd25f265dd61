#!/usr/bin/env bash
# Installs what is missing, builds Orlevan and runs every test.
# With --sanitize the build and the tests run under AddressSanitizer and UndefinedBehaviorSanitizer.
source "$(dirname "$0")/common.sh"
orlevan_install_missing
dir="$ORLEVAN_ROOT/build"
args=()
if [ "${1:-}" = "--sanitize" ]; then
    dir="$ORLEVAN_ROOT/build-sanitize"
    args=(-DORLEVAN_SANITIZE=ON)
fi
orlevan_build "$dir" "${args[@]}"
cd "$dir"
ctest --output-on-failure -j "$(nproc)"
