#!/usr/bin/env bash
# orlevan-cli runs where there is no display at all: it links no window library, and answers without one.
set -u
program="$1"
if ldd "$program" | grep -E 'libQt6(Gui|Widgets)'; then
    echo "orlevan-cli links a window library"
    exit 1
fi
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
clean=(env -i HOME="$home" PATH="$PATH")
# The help as a user reads it, letter by letter.
"${clean[@]}" "$program" --help | diff - "$(dirname "$0")/cli/help.txt" || { echo "the help differs"; exit 1; }
"${clean[@]}" "$program" --delay 3 a 2>/dev/null
[ $? -eq 2 ] || { echo "a refused option did not end with status 2"; exit 1; }
# Without any network, and with a resolver configuration of its own that names only 127.0.0.1, so that the
# name is asked of nobody but this machine.
echo "nameserver 127.0.0.1" >"$home/resolv.conf"
unshare -n -m sh -c 'mount --bind "$0" /etc/resolv.conf && exec "$@"' "$home/resolv.conf" \
    "${clean[@]}" "$program" --server ns.invalid a </dev/null 2>"$home/err"
[ $? -eq 3 ] && grep -q 'The nameserver ns.invalid could not be found.' "$home/err" ||
    { echo "an unknown name server: not status 3"; exit 1; }
"${clean[@]}" "$program" --version | grep -qx 'orlevan-cli [0-9.]*' || { echo "no version"; exit 1; }
"${clean[@]}" "$program" --confirm --no-confirm a 2>&1 | grep -q 'cannot both be given' || { echo "no --no-confirm"; exit 1; }
"${clean[@]}" "$program" --tld com,xx a </dev/null 2>"$home/err"
[ $? -eq 2 ] && grep -qx 'orlevan-cli: --tld: unknown top-level domain xx.' "$home/err" || { echo "an unknown --tld went on"; exit 1; }
"${clean[@]}" "$program" </dev/null 2>&1 | grep -qx "orlevan-cli: No names to check. Try 'orlevan-cli --help'." || { echo "no word"; exit 1; }
[ ! -e "$home/.config" ] || { echo "orlevan-cli wrote settings"; exit 1; }
echo "orlevan-cli smoke test passed"
