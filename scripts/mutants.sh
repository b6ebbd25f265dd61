#!/usr/bin/env bash
# Judges the test suite by faults nobody chose: puts one small change at a time into a private copy of src/,
# builds, runs the suite, and counts the changes that no test notices.
#
#   scripts/mutants.sh [--seed S] [--count N] [--tree DIR] [--keep DIR] [--since REV [--in PATHS]] [--only I,J,...]
#                      [--list]
#
# --seed S     the random choice of changes (default 7321, always printed); the same seed gives the same changes
# --count N    how many changes (default 150)
# --tree DIR   the checkout to judge (default: the one this script lies in); it is only read
# --keep DIR   work in DIR and keep it (a second run there reuses its build); default: a folder under /tmp
#              whose copy and build are removed at the end, leaving the summary and the log
# --since REV  change only the lines of src/ that differ from commit REV (what a piece of work added or rewrote)
# --in PATHS  with --since: only these files or folders of src/ (space-separated), for one piece of work's files
# --only I,J   judge only these changes of the sample (numbers as --list prints them), for instance the survivors
#              of an earlier run again once tests were added; the sample is the same while src/ is
# --list       only print the changes that would be made
#
# A change that does not compile is "invalid"; one that makes a suite fail or hang is "killed"; the rest
# "SURVIVED". Score = killed / (killed + survived).
set -euo pipefail

seed=7321
count=150
tree="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
keep=""
since=""
paths="src"
list_only=0
only=""
while [ $# -gt 0 ]; do
    case "$1" in
    --seed) seed="$2"; shift 2 ;;
    --count) count="$2"; shift 2 ;;
    --tree) tree="$(cd "$2" && pwd)"; shift 2 ;;
    --keep) keep="$2"; shift 2 ;;
    --only) only=",$2,"; shift 2 ;;
    --since) since="$2"; shift 2 ;;
    --in) paths="$2"; shift 2 ;;
    --list) list_only=1; shift ;;
    *) echo "usage: $0 [--seed S] [--count N] [--tree DIR] [--keep DIR] [--since REV [--in PATHS]] [--only I,J,...] [--list]" >&2
       exit 2 ;;
    esac
done

# The sampler and the editor. "plan TREE SEED COUNT" prints the chosen changes as JSON lines; "apply PLAN I ROOT"
# writes change I into the copy at ROOT; "sync FROM TO" makes TO a copy of FROM without build folders and .git,
# rewriting only files that differ (rsync is not on every machine), so that a kept build stays incremental.
read -r -d '' PY <<'EOF' || true
import json, os, random, re, shutil, sys

def code_view(line, in_block):
    """The line with comments blanked and literal contents blanked, the spans of its string literals, and whether
    a block comment is still open at its end. Positions stay those of the line."""
    out, strings, i, n = list(line), [], 0, len(line)
    while i < n:
        if in_block:
            end = line.find('*/', i)
            stop = n if end < 0 else end + 2
            out[i:stop] = ' ' * (stop - i)
            in_block, i = end < 0, stop
        elif line.startswith('//', i):
            out[i:] = ' ' * (n - i)
            break
        elif line.startswith('/*', i):
            in_block = True
        elif line[i] in '"\'':
            quote, j = line[i], i + 1
            while j < n and line[j] != quote:
                j += 2 if line[j] == '\\' else 1
            out[i + 1:j] = ' ' * (j - i - 1)
            if quote == '"':
                strings.append((i + 1, j))
            i = j + 1
        else:
            i += 1
    return ''.join(out), strings, in_block

CMP = re.compile(r'(?<![<>=!&|+\-*/%^])(<=|>=|==|!=|(?<=\s)[<>](?=\s))(?![<>=])')
INT = re.compile(r"(?<![\w.'])(\d+)(?:[uU]?[lL]{0,2}|[lL]{1,2}[uU]?)(?![\w.'])")
BOOL = re.compile(r'\b(true|false)\b')
CALL_LINE = re.compile(r'^(Q_EMIT\s+)?[A-Za-z_][\w:]*(<[\w:, *&]*>)?((\.|->)[A-Za-z_]\w*(<[\w:, *&]*>)?)*\(.*\);$')
INNER_CALL = re.compile(r'\b([A-Za-z_][\w:]*)\s*\(([^()]*)\)')
SIMPLE = re.compile(r'^([&*!-]?[A-Za-z_]\w*((::|\.|->)[A-Za-z_]\w*)*|-?\d+)$')
NOT_CALLS = {'if', 'for', 'while', 'switch', 'return', 'sizeof', 'catch', 'alignof', 'decltype', 'static_assert'}
# Swapping these is no fault at all, or (signal connections) never compiles.
NO_SWAP = {'qMin', 'qMax', 'std::min', 'std::max', 'std::swap', 'qSwap', 'connect', 'disconnect',
           'QObject::connect', 'QObject::disconnect'}
FLIP = {'<': '>=', '>=': '<', '>': '<=', '<=': '>', '==': '!=', '!=': '=='}
BOUNDARY = {'<': '<=', '<=': '<', '>': '>=', '>=': '>'}
OPS = ['flip', 'boundary', 'literal', 'bool', 'delete-call', 'string', 'swap-args']

def balanced_call(code):
    """True when the parenthesis opened after the callee closes at the final ');'."""
    depth, start = 0, code.index('(')
    for k in range(start, len(code)):
        depth += {'(': 1, ')': -1}.get(code[k], 0)
        if depth == 0:
            return k == len(code) - 2
    return False

def sites_of(lines):
    """Every place in one file where an operator applies: (line index, operator, data)."""
    sites, in_block, prev = [], False, ''
    for idx, line in enumerate(lines):
        code, strings, in_block_after = code_view(line, in_block)
        stripped = code.strip()
        in_block = in_block_after
        if not stripped or stripped.startswith('#') or 'static_assert' in code or 'Q_ASSERT' in code \
                or 'Q_UNUSED' in code or 'extern "C"' in line:
            if stripped and not stripped.startswith('#'):
                prev = stripped
            continue
        for m in CMP.finditer(code):
            if code[:m.start()].rstrip().endswith('operator'):
                continue
            sites.append((idx, 'flip', (m.start(), m.group(1))))
            if m.group(1) in BOUNDARY:
                sites.append((idx, 'boundary', (m.start(), m.group(1))))
        for m in INT.finditer(code):
            sites.append((idx, 'literal', (m.start(1), m.group(1))))
        for m in BOOL.finditer(code):
            sites.append((idx, 'bool', (m.start(), m.group(1))))
        if CALL_LINE.match(stripped) and balanced_call(stripped) and not re.match(r'^(return|delete|throw)\b', stripped):
            callee = stripped.split('(')[0]
            ctor_decl = re.fullmatch(r'[A-Z]\w*', callee) and not callee.isupper()
            macro = re.fullmatch(r'[A-Z_0-9]+', callee)
            control = re.match(r'^(\}\s*)?(if|else|for|while)\b', prev) and (prev.endswith(')') or prev.endswith('else'))
            plain = prev.endswith((';', '{', '}')) or (prev.endswith(':') and not prev.endswith('::'))
            if not ctor_decl and not macro and (plain or control):
                sites.append((idx, 'delete-call', '{}' if control else ''))
        for a, b in strings:
            letters = []
            k = a
            while k < b:
                if line[k] == '\\':
                    # An escape is no letter: skip it, with the digits of \x, \u and \U.
                    hexadecimal = line[k + 1] in 'xuU'
                    k += 2
                    while hexadecimal and k < b and line[k] in '0123456789abcdefABCDEF':
                        k += 1
                    continue
                if line[k].isascii() and line[k].isalpha():
                    letters.append(k)
                k += 1
            if letters and not code[:a].rstrip().endswith('extern'):
                sites.append((idx, 'string', letters))
        for m in INNER_CALL.finditer(code):
            name, args = m.group(1), m.group(2)
            if name in NOT_CALLS or name in NO_SWAP or ',' not in args:
                continue
            parts = [p.strip() for p in line[m.start(2):m.end(2)].split(',')]
            if len(parts) >= 2 and all(SIMPLE.match(p) for p in parts) and len(set(parts)) > 1:
                sites.append((idx, 'swap-args', (m.start(2), m.end(2))))
        prev = stripped
    return sites

def mutate(line, op, data, rng):
    if op in ('flip', 'boundary'):
        pos, tok = data
        new = (FLIP if op == 'flip' else BOUNDARY)[tok]
        return line[:pos] + new + line[pos + len(tok):]
    if op == 'literal':
        pos, digits = data
        value = {'0': '1', '1': '0'}.get(digits, str(int(digits) + 1))
        return line[:pos] + value + line[pos + len(digits):]
    if op == 'bool':
        pos, word = data
        return line[:pos] + ('false' if word == 'true' else 'true') + line[pos + len(word):]
    if op == 'delete-call':
        body = line.rstrip('\r\n')
        indent = body[:len(body) - len(body.lstrip())]
        return (indent + data if data else '') + line[len(body):]
    if op == 'string':
        pos = rng.choice(data)
        pool = 'abcdefghijklmnopqrstuvwxyz'
        pool = pool.upper() if line[pos].isupper() else pool
        return line[:pos] + rng.choice([c for c in pool if c != line[pos].lower() and c != line[pos]]) + line[pos + 1:]
    if op == 'swap-args':
        a, b = data
        raw = line[a:b].split(',')
        parts = [p.strip() for p in raw]
        # Two different arguments, both numbers or both names where the call has such a pair: those mostly compile.
        pairs = [(i, j) for i in range(len(parts)) for j in range(i + 1, len(parts)) if parts[i] != parts[j]]
        number = lambda p: p.lstrip('-').isdigit()
        alike = [(i, j) for i, j in pairs if number(parts[i]) == number(parts[j])]
        i, j = rng.choice(alike or pairs)
        # Keep each slot's own spacing, move only the argument text.
        lead = [r[:len(r) - len(r.lstrip())] for r in raw]
        trail = [r[len(r.rstrip()):] for r in raw]
        parts[i], parts[j] = parts[j], parts[i]
        return line[:a] + ','.join(l + p + t for l, p, t in zip(lead, parts, trail)) + line[b:]
    raise ValueError(op)

def read_lines(path):
    with open(path, 'rb') as f:
        return f.read().decode('utf-8', 'surrogateescape').splitlines(keepends=True)

def changed_lines(diff_file):
    """The lines a 'git diff -U0' adds or rewrites, by file: None when there is no diff to go by."""
    if not diff_file:
        return None
    lines, current = {}, None
    with open(diff_file, encoding='utf-8', errors='surrogateescape') as f:
        for text in f:
            if text.startswith('+++ '):
                current = text[6:].rstrip('\n') if text.startswith('+++ b/') else None
            elif text.startswith('@@') and current:
                m = re.match(r'@@ -\S+ \+(\d+)(?:,(\d+))? @@', text)
                first, length = int(m.group(1)), int(m.group(2) or 1)
                lines.setdefault(current, set()).update(range(first - 1, first - 1 + length))
    return lines

def plan(tree, seed, count, diff_file=''):
    only_lines = changed_lines(diff_file)
    files = sorted(os.path.relpath(os.path.join(d, f), tree)
                   for d, _, fs in os.walk(os.path.join(tree, 'src')) for f in fs if f.endswith(('.cpp', '.h')))
    if only_lines is not None:
        files = [f for f in files if f in only_lines]
    by_op = {op: {} for op in OPS}
    texts = {}
    for rel in files:
        texts[rel] = read_lines(os.path.join(tree, rel))
        for site in sites_of(texts[rel]):
            if only_lines is not None and site[0] not in only_lines[rel]:
                continue
            by_op[site[1]].setdefault(rel, []).append(site)
    rng = random.Random(seed)
    chosen = []
    while len(chosen) < count:
        ops = [op for op in OPS if by_op[op]]
        if not ops:
            break
        # Operator first, then a file weighted by its places for it, then one of those places.
        op = rng.choice(ops)
        names = sorted(by_op[op])
        rel = rng.choices(names, weights=[len(by_op[op][n]) for n in names])[0]
        idx, _, data = by_op[op][rel].pop(rng.randrange(len(by_op[op][rel])))
        if not by_op[op][rel]:
            del by_op[op][rel]
        old = texts[rel][idx]
        new = mutate(old, op, data, rng)
        if new != old:
            chosen.append({'file': rel, 'line': idx + 1, 'op': op, 'old': old, 'new': new})
    # In file order, so that undoing one change and making the next often rebuild the same files.
    chosen.sort(key=lambda m: (m['file'], m['line'], m['op']))
    for m in chosen:
        print(json.dumps(m))

def apply(plan_file, index, root):
    with open(plan_file) as f:
        m = json.loads(f.readlines()[index])
    path = os.path.join(root, m['file'])
    lines = read_lines(path)
    if lines[m['line'] - 1] != m['old']:
        sys.exit('%s:%d is not the line the plan expected' % (m['file'], m['line']))
    lines[m['line'] - 1] = m['new']
    with open(path, 'wb') as f:
        f.write(''.join(lines).encode('utf-8', 'surrogateescape'))

def show(plan_file):
    with open(plan_file) as f:
        for line in f:
            m = json.loads(line)
            new = m['new'].strip() or '(deleted)'
            print('%s:%d\t%s\t%s\t%s' % (m['file'], m['line'], m['op'], m['old'].strip(), new))

def sync(src, dst):
    skip = lambda root, d, name: name == '.git' or (d == root and name.startswith('build'))
    seen = set()
    for d, dirs, fs in os.walk(src):
        dirs[:] = [x for x in dirs if not skip(src, d, x)]
        for name in fs:
            rel = os.path.relpath(os.path.join(d, name), src)
            seen.add(rel)
            target = os.path.join(dst, rel)
            with open(os.path.join(d, name), 'rb') as f:
                data = f.read()
            if os.path.isfile(target) and not os.path.islink(target):
                with open(target, 'rb') as f:
                    if f.read() == data:
                        continue
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(os.path.join(d, name), target)
            shutil.copymode(os.path.join(d, name), target)
    for d, dirs, fs in os.walk(dst):
        dirs[:] = [x for x in dirs if not skip(dst, d, x)]
        for name in fs:
            if os.path.relpath(os.path.join(d, name), dst) not in seen:
                os.remove(os.path.join(d, name))

cmd = sys.argv[1]
if cmd == 'plan':
    plan(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5] if len(sys.argv) > 5 else '')
elif cmd == 'apply':
    apply(sys.argv[2], int(sys.argv[3]), sys.argv[4])
elif cmd == 'show':
    show(sys.argv[2])
elif cmd == 'sync':
    sync(sys.argv[2].rstrip('/'), sys.argv[3].rstrip('/'))
EOF

diff_file=""
if [ -n "$since" ]; then
    diff_file="$(mktemp)"
    # shellcheck disable=SC2086 # the paths are meant to split
    git -C "$tree" diff -U0 "$since" -- $paths >"$diff_file"
fi
echo "seed $seed, $count changes over $tree/src${since:+ (the lines changed since $since)}"
if [ "$list_only" -eq 1 ]; then
    planfile="$(mktemp)"
    python3 -c "$PY" plan "$tree" "$seed" "$count" "$diff_file" >"$planfile"
    python3 -c "$PY" show "$planfile" | awk -F'\t' '{ printf "%3d  %s  %s  %s -> %s\n", NR, $1, $2, $3, $4 }'
    rm -f "$planfile"
    exit 0
fi

if [ -n "$keep" ]; then
    mkdir -p "$keep"
    scratch="$(cd "$keep" && pwd)"
else
    scratch="$(mktemp -d /tmp/orlevan-mutants.XXXXXX)"
fi
copy="$scratch/tree"
planfile="$scratch/mutants-$seed.plan"
log="$scratch/mutants-$seed.log"
summary="$scratch/mutants-$seed.txt"
saved="$scratch/original-bytes"
mkdir -p "$copy"
python3 -c "$PY" sync "$tree" "$copy"
python3 -c "$PY" plan "$copy" "$seed" "$count" "$diff_file" >"$planfile"
: >"$log"
echo "working in $scratch; per-change lines go to $log"

# The file being changed, so that an interruption puts its own bytes back.
current=""
restore() {
    if [ -n "$current" ]; then
        cat "$saved" >"$copy/$current" # new time stamp: the next build compiles the original again
        current=""
    fi
}
trap restore EXIT
trap 'restore; echo "interrupted; $copy is unchanged" >&2; exit 130' INT TERM

cd "$copy"
# No debug information and, where there is one, a faster linker: every change relinks the programs and suites.
linker=()
if command -v ld.lld >/dev/null; then linker=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld); fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DORLEVAN_TESTS=ON "${linker[@]}" >"$scratch/configure.log"
# The suite needs the test programs, the program itself and its data beside it; the benchmark is no test.
mapfile -t targets < <(cmake --build build --target help | sed -nE 's/^\.\.\. (tst_[A-Za-z0-9_]+|orlevan|orlevan-cli|orlevan_data)( .*)?$/\1/p')
build() { cmake --build build -j2 --target "${targets[@]}" >"$scratch/build.log" 2>&1; }
# Everything but the Debian package check and the fuzz target. A hang anywhere ends the suite at three times its
# normal length (the per-test limits of 300 s would otherwise let one hang cost five minutes). Four at a time on
# any machine: most suites wait on timers and servers, not on the processor.
suite_limit=600
suite() {
    (cd build && timeout -k 10 "$suite_limit" ctest -j4 --stop-on-failure --timeout 120 -LE 'package|fuzz' \
        >"$scratch/ctest.log" 2>&1)
}

echo "building and running the unchanged suite"
start=$SECONDS
build || { tail -30 "$scratch/build.log"; echo "the unchanged tree does not build" >&2; exit 1; }
built=$SECONDS
suite || { tail -30 "$scratch/ctest.log"; echo "the unchanged suite fails; fix it before judging it" >&2; exit 1; }
suite_time=$((SECONDS - built))
suite_limit=$((suite_time * 3 > 120 ? suite_time * 3 : 120))
echo "unchanged: build $((built - start)) s, suite $suite_time s ($(grep -c 'Test *#' "$scratch/ctest.log") tests)"

# A long line keeps its start and its end.
short() { if [ ${#1} -le 90 ]; then echo "$1"; else echo "${1:0:60} ... ${1: -25}"; fi; }

total=$(wc -l <"$planfile")
invalid=0 killed=0 survived=0
survivors=()
run_start=$SECONDS
for ((i = 0; i < total; i++)); do
    if [ -n "$only" ] && [[ "$only" != *",$((i + 1)),"* ]]; then continue; fi
    IFS=$'\t' read -r where op old new < <(python3 -c "$PY" show <(sed -n "$((i + 1))p" "$planfile"))
    file="${where%:*}"
    cp "$copy/$file" "$saved"
    current="$file"
    python3 -c "$PY" apply "$planfile" "$i" "$copy"
    t0=$SECONDS
    by=""
    if ! build; then
        verdict=invalid
        invalid=$((invalid + 1))
    elif suite; then
        verdict=SURVIVED
        survived=$((survived + 1))
        survivors+=("$((i + 1)) $where  $op"$'\n'"    - $old"$'\n'"    + $new")
    else
        status=$?
        verdict=killed
        killed=$((killed + 1))
        # Which suite noticed it: the first one ctest marks, or the whole suite when it ran out of time.
        by="$(sed -nE 's/.*Test +#[0-9]+: ([^ ]+) .*\*\*\*.*/\1/p' "$scratch/ctest.log" | head -1)"
        [ "$status" -lt 124 ] || by="suite timed out"
    fi
    restore
    printf '%3d %-8s %s  %s  %s -> %s  [%ds%s]\n' $((i + 1)) "$verdict" "$where" "$op" "$(short "$old")" \
        "$(short "$new")" $((SECONDS - t0)) "${by:+ $by}" | tee -a "$log"
done

valid=$((killed + survived))
{
    echo "seed $seed: $total changes sampled over $tree/src"
    echo "invalid (did not compile): $invalid"
    echo "killed: $killed"
    echo "survived: $survived"
    if [ "$valid" -gt 0 ]; then
        echo "score: $killed/$valid = $(awk "BEGIN { printf \"%.1f\", 100 * $killed / $valid }")%"
    fi
    echo "time: $(((SECONDS - run_start) / 60)) min, $(((SECONDS - run_start) / (total > 0 ? total : 1))) s per change"
    echo "survivors:"
    for s in "${survivors[@]+"${survivors[@]}"}"; do
        echo "  $s"
    done
} | tee "$summary"
if [ -z "$keep" ]; then
    rm -rf "$copy" "$saved"
fi
echo "summary: $summary"
