#!/usr/bin/env bash
# Starts the built program offscreen, as a user who has run it before, and checks that it is still up after a
# few seconds: it loaded its data file, read its settings and entered its event loop.
set -u
program="$1"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/.config/Orlevan"
printf '[main]\ninit=False\ndns=127.0.0.1\n' > "$home/.config/Orlevan/Orlevan.ini"
HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM=offscreen timeout -s TERM 4 "$program"
status=$?
if [ "$status" -ne 124 ]; then
    echo "the program ended by itself with status $status"
    exit 1
fi
# Without its data file it must say so and end with a failure status.
bin="$(mktemp -d)"
cp "$program" "$bin/"
HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM=offscreen timeout -s TERM 4 "$bin/$(basename "$program")" </dev/null &
pid=$!
wait "$pid"
status=$?
rm -rf "$bin"
# The load-error message waits for its OK: still running at the time-out is the expected outcome here too.
if [ "$status" -eq 0 ]; then
    echo "the program started without its data file"
    exit 1
fi
echo "smoke test passed"
