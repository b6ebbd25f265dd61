#!/usr/bin/env bash
# orlevan-cli's watch list as a crontab line uses it, against a real name server (NSD) and an HTTPS RDAP service,
# both on 127.0.0.1. The program trusts the service's loopback certificate as it would a registry's: in a mount
# namespace of its own, the system's certificate folder holds that one certificate alone.
set -u
source "$(dirname "$0")/nsd.sh"
program="$1"
fixtures="$(cd "$(dirname "$0")" && pwd)/whois/fixtures"
work="$(mktemp -d)"
nsd_pid=""
rdap_pid=""
cleanup() {
    [ -n "$nsd_pid" ] && kill "$nsd_pid" 2>/dev/null && wait "$nsd_pid" 2>/dev/null
    [ -n "$rdap_pid" ] && kill "$rdap_pid" 2>/dev/null && wait "$rdap_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; [ -f "$work/err" ] && sed 's/^/  stderr: /' "$work/err" | head -5; exit 1; }

read -r port rdap_port < <(python3 -c '
import socket
u, t = socket.socket(socket.AF_INET, socket.SOCK_DGRAM), socket.socket()
u.bind(("127.0.0.1", 0)); t.bind(("127.0.0.1", 0))
print(u.getsockname()[1], t.getsockname()[1])')

# The name server: com with or without alpha.
nsd="$(command -v nsd || echo /usr/sbin/nsd)"
zone() {
    printf '$ORIGIN com.\n$TTL 60\n@ SOA ns.com. admin.com. 1 3600 600 86400 60\n@ NS ns.com.\nns A 127.0.0.1\n' >"$work/com"
    for host in "$@"; do echo "$host A 127.0.0.2" >>"$work/com"; done
}
start_nsd() {
    if [ -n "$nsd_pid" ]; then kill "$nsd_pid"; wait "$nsd_pid" 2>/dev/null; fi
    "$nsd" -d -c "$work/nsd.conf" &
    nsd_pid=$!
    for _ in $(seq 100); do
        [ "$(dig -p "$port" @127.0.0.1 +time=1 +tries=1 +short ns.com 2>/dev/null)" = 127.0.0.1 ] && return
    done
    fail "NSD did not start"
}
nsd_conf "$work" "$port" >"$work/nsd.conf"
zone alpha
start_nsd

# The RDAP service answers from a file per domain: its status code on the first line, then the body; no file, 404.
mkdir -p "$work/rdap"
python3 - "$rdap_port" "$work/rdap" "$fixtures" <<'PY' &
import http.server, os, ssl, sys
port, folder, fixtures = int(sys.argv[1]), sys.argv[2], sys.argv[3]
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        path = os.path.join(folder, os.path.basename(self.path))
        status, body = 404, b'{"errorCode":404}'
        if self.path.startswith('/domain/') and os.path.exists(path):
            with open(path, 'rb') as f:
                status, body = int(f.readline()), f.read()
        self.send_response(status)
        self.send_header('Content-Type', 'application/rdap+json')
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(('127.0.0.1', port), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(os.path.join(fixtures, 'loopback.crt'), os.path.join(fixtures, 'loopback.key'))
server.socket = context.wrap_socket(server.socket, server_side=True)
server.serve_forever()
PY
rdap_pid=$!
rdap() { # domain status [status words] [expiry]
    printf '200\n{"objectClassName":"domain","ldhName":"%s","status":[%s],"events":[{"eventAction":"expiration","eventDate":"%sT12:00:00Z"}],"entities":[{"objectClassName":"entity","roles":["registrar"],"vcardArray":["vcard",[["version",{},"text","4.0"],["fn",{},"text","Example Registrar, Inc."]]]}]}' \
        "$1" "$2" "$3" >"$work/rdap/$1"
}
rdap alpha.com '"client transfer prohibited"' 2031-03-04

mkdir -p "$work/certs" "$work/home/.local/share/Orlevan"
cp "$fixtures/loopback.crt" "$work/certs/$(openssl x509 -hash -noout -in "$fixtures/loopback.crt").0"
printf '{"publication":"2100-01-01T00:00:00Z","services":[[["com"],["https://127.0.0.1:%s/"]]]}' "$rdap_port" \
    >"$work/home/.local/share/Orlevan/rdap-dns.json"
list="$work/home/.local/share/Orlevan/watched.json"
cli=(unshare -m sh -c 'mount --bind "$0" /etc/ssl/certs && exec "$@"' "$work/certs"
    env -i HOME="$work/home" PATH="$PATH" ${LSAN_OPTIONS:+LSAN_OPTIONS="$LSAN_OPTIONS"} "$program" --server 127.0.0.1 --port "$port" --delay 5 --retries 2)
for _ in $(seq 100); do
    python3 -c "import socket; socket.create_connection(('127.0.0.1', $rdap_port), 1)" 2>/dev/null && break
done

# Added and checked at once: the registration as the registry tells it, the days counted from today.
days=$(python3 -c 'import datetime; print((datetime.date(2031, 3, 4) - datetime.date.today()).days)')
"${cli[@]}" --watch alpha.com zz-free-w.com >"$work/out" 2>"$work/err" || fail "--watch: status $?"
diff "$work/out" - <<OUT || fail "--watch"
alpha.com is taken: registrar Example Registrar, Inc.; expires 2031-03-04 ($days days left); status client transfer prohibited.
zz-free-w.com is free.
OUT
[ "$days" -gt 1000 ] || fail "fewer days left than the registration gives"
"${cli[@]}" --watched --only changed >"$work/out" 2>"$work/err" && [ ! -s "$work/out" ] || fail "nothing new"

# Deleted by its registrar: out of the DNS, still with the registry, its expiry past. Said once.
zone
start_nsd
past="$(date -u -d '-40 days' +%F)"
rdap alpha.com '"pending delete"' "$past"
"${cli[@]}" --watched --only changed --format json >"$work/out" 2>"$work/err" || fail "pending delete: status $?"
[ "$(wc -l <"$work/out")" -eq 1 ] && grep -q '"ascii":"alpha.com"' "$work/out" && grep -q '"changed":true' "$work/out" &&
    grep -q '"registryStatus":\["pending delete"\]' "$work/out" && grep -q '"status":"taken"' "$work/out" &&
    grep -q "\"change\":\"new status: pending delete; status gone: client transfer prohibited; expiry moved to $past; expired on $past\"" "$work/out" ||
    fail "pending delete: $(cat "$work/out")"
"${cli[@]}" --watched --only changed >"$work/out" 2>"$work/err" && [ ! -s "$work/out" ] || fail "pending delete told twice"

# Gone from the registry too: free, and said so.
rm "$work/rdap/alpha.com"
"${cli[@]}" --watched --format json >"$work/out" 2>"$work/err" || fail "gone: status $?"
grep '"ascii":"alpha.com"' "$work/out" | grep '"status":"free"' | grep -q '"change":"came free","changed":true' ||
    fail "gone: $(cat "$work/out")"

# Removed; two terminals adding at once both keep their names.
"${cli[@]}" --unwatch alpha.com 2>"$work/err" || fail "--unwatch"
"${cli[@]}" --watch one.com >/dev/null 2>"$work/err1" &
first=$!
"${cli[@]}" --watch two.com >/dev/null 2>"$work/err2" || fail "a second writer"
wait $first || fail "a first writer"
"${cli[@]}" --watched --only free >"$work/out" 2>"$work/err"
[ "$(sort "$work/out" | paste -sd' ')" = "one.com is free. two.com is free. zz-free-w.com is free." ] ||
    fail "--unwatch and two writers: $(cat "$work/out")"

# A reader that goes away: nothing said, and the status of a closed pipe, as a check of names ends.
"${cli[@]}" --watched 2>"$work/err" | true
[ "${PIPESTATUS[0]}" -eq 141 ] && [ ! -s "$work/err" ] || fail "a closed pipe"

# Output that cannot be made: refused before the list is changed.
"${cli[@]}" --watch three.com -o "$work/none/out" 2>"$work/err"
[ $? -eq 3 ] && ! grep -q three.com "$list" &&
    grep -qx "orlevan-cli: The results cannot be written to $work/none/out: No such file or directory." "$work/err" ||
    fail "--output into a missing folder"

# A damaged list: status 3 naming it, kept aside untouched, said once.
printf '{"watched": [' >"$list"
"${cli[@]}" --watched >"$work/out" 2>"$work/err"
[ $? -eq 3 ] && grep -q "^orlevan-cli: The watch list $list was damaged; it is kept as $list.damaged-" "$work/err" ||
    fail "a damaged list"
[ "$(cat "$list".damaged-*)" = '{"watched": [' ] && [ ! -e "$list" ] || fail "the damaged list was not kept"
"${cli[@]}" --watched 2>"$work/err" && grep -qx 'orlevan-cli: No names are watched; add some with --watch.' "$work/err" ||
    fail "an empty list after a damaged one"
echo "orlevan-cli watch list test passed"
