#!/usr/bin/env bash
# Installs what is missing, builds Orlevan and starts it.
source "$(dirname "$0")/common.sh"
orlevan_install_missing
orlevan_build "$ORLEVAN_ROOT/build"
exec "$ORLEVAN_ROOT/build/bin/orlevan"
