#!/usr/bin/env bash
# Starts the built program offscreen, as a user who has run it before, and checks that it is still up after a
# few seconds: it loaded its data file, read its settings and entered its event loop; the platform is chosen by
# argument there. Then starts a copy without its data file, which must say so on standard error, and the program
# without any display, or with one that cannot be reached, which must say that it needs one and fail.
set -u
program="$1"
home="$(mktemp -d)"
bin="$(mktemp -d)"
trap 'rm -rf "$home" "$bin"' EXIT
mkdir -p "$home/.config/Orlevan"
printf '[main]\ninit=False\ndns=127.0.0.1\n' > "$home/.config/Orlevan/Orlevan.ini"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" QT_QPA_PLATFORM=offscreen
env -u QT_QPA_PLATFORM timeout -s TERM 4 "$program" -platform offscreen
status=$?
if [ "$status" -ne 124 ]; then
    echo "the program ended by itself with status $status"
    exit 1
fi
cp "$program" "$bin/"
# The message box waits for its OK; the line on standard error is there at once.
timeout -s TERM 4 "$bin/$(basename "$program")" </dev/null 2>"$bin/stderr"
if ! grep -q "^Orlevan load error: Cannot find orvtab.dll Make sure this file is in your Orlevan directory" "$bin/stderr"; then
    echo "without its data file the program did not say so:"
    cat "$bin/stderr"
    exit 1
fi
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout -s TERM 4 "$program" 2>"$bin/stderr"
status=$?
if [ "$status" -eq 0 ] || [ "$status" -eq 124 ] || ! grep -q "needs a graphical session" "$bin/stderr"; then
    echo "without a display the program ended with status $status and said:"
    cat "$bin/stderr"
    exit 1
fi
# A display that is named but has no server behind it is no display either.
env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:55 timeout -s TERM 4 "$program" 2>"$bin/stderr"
status=$?
if [ "$status" -ne 1 ] || ! grep -q "needs a graphical session" "$bin/stderr"; then
    echo "with an unreachable display the program ended with status $status and said:"
    cat "$bin/stderr"
    exit 1
fi
echo "smoke test passed"
