#!/usr/bin/env bash
# run-target.sh TARGET WORK_DIR CORPUS_DIR [libFuzzer options]
# Runs one fuzz target from a fresh scratch folder over the corpus kept in the repository.
set -euo pipefail
target="$1" work="$2" corpus="$3"
shift 3
rm -rf "$work"
mkdir -p "$work"
exec "$target" -artifact_prefix="$work/" "$@" "$work" "$corpus"
