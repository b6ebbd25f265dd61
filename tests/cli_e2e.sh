#!/usr/bin/env bash
# orlevan-cli as scripts and people at a terminal use it, against a real name server (NSD) on 127.0.0.1 that
# knows the com names "taken" and "alpha2"; every other name under com does not exist.
set -u
source "$(dirname "$0")/nsd.sh"
program="$1"
work="$(mktemp -d)"
nsd_pid=""
cleanup() {
    for job in $(jobs -p); do pkill -P "$job"; kill "$job"; done 2>/dev/null
    [ -n "$nsd_pid" ] && kill "$nsd_pid" 2>/dev/null && wait "$nsd_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# Free names come with their registry's site; the lines are compared without it.
plain() { sed 's/ (check [^)]*)$/./' "$@"; }
fail() { echo "FAILED: $*"; [ -f "${err:-$work/err}" ] && sed 's/^/  stderr: /' "${err:-$work/err}" | head -5; exit 1; }

# Two free loopback ports: one for the name server, one where nobody answers.
read -r port silent < <(python3 -c '
import socket
s = [socket.socket(socket.AF_INET, socket.SOCK_DGRAM) for _ in range(2)]
for x in s: x.bind(("127.0.0.1", 0))
print(*[x.getsockname()[1] for x in s])')
nsd="$(command -v nsd || echo /usr/sbin/nsd)"
cat >"$work/com" <<EOF
\$ORIGIN com.
\$TTL 60
@ SOA ns.com. admin.com. 1 3600 600 86400 60
@ NS ns.com.
ns A 127.0.0.1
taken A 127.0.0.2
alpha2 A 127.0.0.2
EOF
nsd_conf "$work" "$port" >"$work/nsd.conf"
"$nsd" -d -c "$work/nsd.conf" &
nsd_pid=$!
for _ in $(seq 100); do
    dig -p "$port" @127.0.0.1 +time=1 +tries=1 taken.com >/dev/null 2>&1 && break
done

mkdir -p "$work/home"
cli=(env -i HOME="$work/home" PATH="$PATH" "$program")
ask=("${cli[@]}" --server 127.0.0.1 --port "$port" --tld com --delay 5 --retries 2)

# The long runs pace their questions, so they go on beside the rest, with a home of their own: the settings
# written below are not theirs.
mkdir "$work/batch"
(
err="$work/batch.err"
# A long list in batches, in order.
# Status 1 is allowed: on a busy machine a datagram may be lost in every pass, which the run rightly reports.
seq -f 'alpha%g' 0 5000 | env -i HOME="$work/batch" PATH="$PATH" "$program" --server 127.0.0.1 --port "$port" --tld com \
    --delay 5 --retries 4 --format csv >"$work/batch.out" 2>"$err"
[ $? -le 1 ] || fail "5001 names: status $?"
[ "$(wc -l <"$work/batch.out")" -eq 5002 ] && [ "$(tail -n +2 "$work/batch.out" | grep -vc '^alpha[0-9]*,alpha[0-9]*\.com,')" -eq 0 ] ||
    fail "5001 names: one heading, then a whole row each"
[ "$(grep -c ',taken,' "$work/batch.out")" -eq 1 ] && sed -n 4p "$work/batch.out" | grep -q '^alpha2,alpha2.com,taken,' &&
    sed -n 5002p "$work/batch.out" | grep -q '^alpha5000,alpha5000.com,free,' || fail "5001 names: the statuses"
) & batches=$!
(
# A long list takes the room of a short one: the names wait in a temporary file, not in memory. Nobody answers, so
# the first batch is asked and the rest is told not checked.
if [ "${ORLEVAN_SANITIZED:-OFF}" = OFF ] && [ -x /usr/bin/time ]; then
    peak() {
        seq "$1" | sed 's/^/n/' >"$work/many"
        env -i HOME="$work/batch" PATH="$PATH" /usr/bin/time -f %M "$program" --server 127.0.0.1 --port "$silent" \
            --tld com --delay 5 --retries 1 --no-confirm -f "$work/many" 2>&1 >"$work/peak.out" | tail -1
        [ "$(wc -l <"$work/peak.out")" -eq "$1" ] || fail "$1 names: $(wc -l <"$work/peak.out") lines"
    }
    small="$(peak 1000)"
    large="$(peak 1000000)"
    [ "$large" -lt $((small + 65536)) ] || fail "1,000,000 names take $large kB, 1,000 names $small kB"
fi
) & peaks=$!

# A refused option is named, with the way to the help.
"${cli[@]}" --delay 1 alpha >"$work/out" 2>"$work/err"
[ $? -eq 2 ] && [ ! -s "$work/out" ] &&
    grep -qx "orlevan-cli: --delay takes a whole number from 5 to 1000, not \"1\". Try 'orlevan-cli --help'." "$work/err" ||
    fail "a refused option"

# Names given: standard input is not read, though it never ends.
mkfifo "$work/fifo"
exec 3<>"$work/fifo"
timeout 10 "${ask[@]}" alpha taken <&3 >"$work/out" 2>"$work/err"
[ $? -eq 0 ] || fail "names given plus an open standard input"
plain "$work/out" | diff - <(echo $'alpha.com is available.\ntaken.com is unavailable.') || fail "the plain results"

# Output that cannot be written: /dev/full, and a missing folder before anything is asked.
"${ask[@]}" alpha >/dev/full 2>"$work/err"
[ $? -eq 3 ] && grep -q '^orlevan-cli: The results could not be written to standard output' "$work/err" ||
    fail "/dev/full"
timeout 1 "${ask[@]}" --delay 1000 alpha -o "$work/none/x.txt" 2>"$work/err"
[ $? -eq 3 ] && grep -q "^orlevan-cli: The results cannot be written to $work/none/x.txt" "$work/err" ||
    fail "--output into a missing folder"
"${ask[@]}" alpha -o "$work/x.txt" 2>"$work/err" && [ "$(plain "$work/x.txt")" = "alpha.com is available." ] ||
    fail "--output"
# A folder the user cannot write to that holds a file they can: the file is written in place. Root writes
# anywhere, so this runs as nobody.
if [ "$(id -u)" = 0 ]; then
    chmod 711 "$work" && mkdir -m 777 "$work/nobody" "$work/locked" && : >"$work/locked/x.txt" &&
        chmod 666 "$work/locked/x.txt" && chmod 555 "$work/locked"
    as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups env -i HOME="$work/nobody" PATH="$PATH" "$program"
        --server 127.0.0.1 --port "$port" --tld com --delay 5 --retries 2)
    "${as_nobody[@]}" alpha -o "$work/locked/x.txt" 2>"$work/err" &&
        [ "$(plain "$work/locked/x.txt")" = "alpha.com is available." ] || fail "--output in place"
    "${as_nobody[@]}" alpha -o "$work/locked/new.txt" 2>"$work/err"
    [ $? -eq 3 ] && grep -q "^orlevan-cli: The results cannot be written to $work/locked/new.txt" "$work/err" ||
        fail "--output into a folder that cannot be written"
fi

# A temporary file that fills up is said, and nothing is asked.
if [ "$(id -u)" = 0 ] && mkdir "$work/tiny" && mount -t tmpfs -o size=64k tmpfs "$work/tiny" 2>/dev/null; then
    seq 30000 | sed 's/^/n/' | env -i HOME="$work/home" PATH="$PATH" TMPDIR="$work/tiny" "$program" \
        --server 127.0.0.1 --port "$port" --tld com -f - >"$work/out" 2>"$work/err"
    status=$?
    umount "$work/tiny"
    [ $status -eq 3 ] && [ ! -s "$work/out" ] &&
        grep -qx "orlevan-cli: The names cannot be kept in the temporary file $work/tiny/.*: No space left on device." \
            "$work/err" || fail "a temporary file that fills up"
fi

# Name files: comments, blank lines, CR LF and a byte order mark; a bad line named by file and line.
printf '\xef\xbb\xbfalpha  # the first\r\n# candidates\r\n\r\ntaken.com\n' >"$work/list"
"${ask[@]}" -f "$work/list" --format csv >"$work/out" 2>"$work/err" || fail "a name file"
[ "$(tail -n +2 "$work/out" | cut -d, -f1-3 | tr -d '\r' | paste -sd' ')" = "alpha,alpha.com,free taken.com,taken.com,taken" ] ||
    fail "a name file: $(cat "$work/out")"
printf 'alpha\nb_d\n' | "${ask[@]}" -f - 2>"$work/err"
[ $? -eq 2 ] && grep -qx 'orlevan-cli: <stdin>:2: The name b_d holds a character no domain name may have: only letters, digits and - are allowed.' "$work/err" ||
    fail "a bad line"
"${ask[@]}" zz--mid 2>"$work/err"
[ $? -eq 2 ] && grep -q '^orlevan-cli: The name zz--mid cannot be registered' "$work/err" || fail "an unregistrable name"

# Each name by itself, and each once.
"${ask[@]}" -qc alpha taken ALPHA beta.com >"$work/out" 2>"$work/err" || fail "combinations: status $?"
plain "$work/out" | diff - <(echo $'alpha.com is available.\nalphataken.com is available.\ntakenalpha.com is available.\ntaken.com is unavailable.\nbeta.com is available.') ||
    fail "mixed names, bundled options"
"${ask[@]}" -qc beta.com alpha taken >"$work/out" 2>"$work/err" || fail "combinations last: status $?"
plain "$work/out" | diff - <(echo $'beta.com is available.\nalpha.com is available.\nalphataken.com is available.\ntakenalpha.com is available.\ntaken.com is unavailable.') ||
    fail "the names to join after the others"

# A server that answers nothing: exit 3, said by name, and every name with its reason.
env -i HOME="$work/home" PATH="$PATH" "$program" --server 127.0.0.1 --port "$silent" --tld com --delay 5 --retries 1 \
    --format json alpha >"$work/out" 2>"$work/err"
[ $? -eq 3 ] && grep -qx 'orlevan-cli: The nameserver 127.0.0.1 did not answer. Check your settings with --server.' "$work/err" &&
    grep '"status":"not-checked"' "$work/out" | grep -q '"reason":"no answer"'  || fail "a silent server"
"${cli[@]}" --server '' alpha 2>"$work/err"
[ $? -eq 2 ] || fail "an empty --server"

# Settings written by hand, without the window's first-run mark, are used.
mkdir -p "$work/home/.config/Orlevan"
printf '[main]\ndns=127.0.0.1\ndelay=5\n' >"$work/home/.config/Orlevan/Orlevan.ini"
"${cli[@]}" --port "$port" --tld com taken >"$work/out" 2>"$work/err" && grep -qx 'taken.com is unavailable.' "$work/out" ||
    fail "hand-written settings"
# A personal selection of no domain at all: complete names are still asked, bare ones have nowhere to go.
printf '[main]\ndns=127.0.0.1\ndelay=5\ndomains=personal\n' >"$work/home/.config/Orlevan/Orlevan.ini"
"${cli[@]}" --port "$port" taken.com >"$work/out" 2>"$work/err" && grep -qx 'taken.com is unavailable.' "$work/out" ||
    fail "complete names without a top-level domain chosen"
"${cli[@]}" --port "$port" taken 2>"$work/err"
[ $? -eq 2 ] && grep -q '^orlevan-cli: No top-level domain is chosen, so there is nothing to check.' "$work/err" ||
    fail "bare names without a top-level domain chosen"
rm "$work/home/.config/Orlevan/Orlevan.ini"
# Settings that cannot be read are said, and the run goes on without them.
mkdir "$work/home/.config/Orlevan/Orlevan.ini"
"${ask[@]}" taken >"$work/out" 2>"$work/err" && grep -qx 'taken.com is unavailable.' "$work/out" &&
    grep -q "^orlevan-cli: Orlevan could not read its settings file: $work/home/.config/Orlevan/Orlevan.ini. It will run with the default settings this time, asking the name server 127.0.0.1, and will not change that file.\$" "$work/err" ||
    fail "unreadable settings: $(cat "$work/err")"
"${cli[@]}" --server 127.0.0.9 --watched 2>"$work/err"
grep -q '^orlevan-cli: Orlevan could not read .* asking the name server 127.0.0.9, and' "$work/err" ||
    fail "unreadable settings, the watch list: $(cat "$work/err")"
rmdir "$work/home/.config/Orlevan/Orlevan.ini"
# Without its data file the program says so and asks nothing.
mkdir "$work/nodata" && cp "$program" "$work/nodata/"
env -i HOME="$work/home" "$work/nodata/orlevan-cli" --server 127.0.0.1 --port "$port" a 2>"$work/err"
[ $? -eq 3 ] && grep -qx "orlevan-cli: Orlevan load error. Cannot find orvtab.dll. Make sure this file is in your Orlevan directory. $work/nodata." "$work/err" ||
    fail "no data file"

# On a pseudo-terminal: the progress never glued to a line, no wider than the terminal, an honest estimate; no
# escapes on a dumb terminal; SIGTERM keeps every line.
python3 - "${ask[@]}" <<'EOF' || fail "on a terminal"
import os, pty, re, select, signal, struct, sys, time, fcntl, termios

def run(argv, term, stop_at=None, columns=60):
    pid, fd = pty.fork()
    if pid == 0:
        os.environ['TERM'] = term
        os.execvp(argv[0], argv)
    fcntl.ioctl(fd, termios.TIOCSWINSZ, struct.pack('HHHH', 24, columns, 0, 0))
    out, start, seen, deadline = b'', time.monotonic(), [], time.monotonic() + 60
    while time.monotonic() < deadline:
        ready, _, _ = select.select([fd], [], [], 1)
        if not ready:
            continue
        try:
            chunk = os.read(fd, 65536)
        except OSError:
            break
        if not chunk:
            break
        out += chunk
        for m in re.finditer(rb'checked (\d+) of (\d+), pass \d of \d, about (\d+) s left', chunk):
            seen.append((time.monotonic() - start, int(m.group(1)), int(m.group(2)), int(m.group(3))))
        if stop_at and seen and seen[-1][1] >= stop_at:
            os.kill(pid, signal.SIGTERM)
            stop_at = None
    _, status = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(status), out.decode(), time.monotonic() - start, seen

names = ['n%d' % i for i in range(200)]
argv = sys.argv[1:] + ['--delay', '40']
code, out, took, seen = run(argv + names, 'xterm')
assert code == 0, code
lines = out.replace('\r\n', '\n').split('\n')
results = [re.sub(r' \(check [^)]*\)$', '.', l.split('\r')[-1].replace('\x1b[K', '')) for l in lines if l]
assert results[:200] == ['n%d.com is available.' % i for i in range(200)], results[:3]
assert re.fullmatch(r'orlevan-cli: 200 free, 0 taken, 0 not checked in \d+ s', results[200]), results[200]
middle = [s for s in seen if 0.3 < s[1] / s[2] < 0.5]
assert middle, seen
for at, checked, total, left in middle:
    assert abs(at + left - took) <= 0.35 * (took - at), (at, left, took)
code, out, _, _ = run(argv + names[:30], 'dumb', columns=30)
assert code == 0 and '\x1b' not in out and '\rchecked ' in out, out
assert all(len(p) < 30 for l in out.replace('\r\n', '\n').split('\n') for p in l.split('\r')[:-1]), 'wider than the terminal'
code, out, _, _ = run(argv + ['--format', 'json'] + names[:80], 'xterm', stop_at=20)
assert code == 143, code
assert len(re.findall(r'"status":', out)) == 80, out[-300:]
EOF
wait "$batches" && wait "$peaks" || exit 1
echo "orlevan-cli end-to-end test passed"
