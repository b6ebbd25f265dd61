#!/usr/bin/env bash
# layering.sh SRC CORE_FILES_LIST CORE_TEST: fails when a core file includes a Qt Widgets or Gui header or a
# header of the window library, when a folder includes a folder above it (core <- dns, whois <- results, dialogs,
# shell <- app), or when a logic test links a window library.
set -u
src="$(cd "$1" && pwd)"
list="$2"
status=0
while read -r file; do
    [ -n "$file" ] || continue
    if grep -nE '^\s*#\s*include\s*[<"](QtWidgets|QtGui|QtOpenGL|QtPrintSupport)/' "$file"; then
        echo "core file includes a window header: $file"
        status=1
    fi
    for header in $(grep -hoE '^\s*#\s*include\s*"[a-z]+/[A-Za-z]+\.h"' "$file" | grep -oE '[a-z]+/[A-Za-z]+\.h'); do
        if ! grep -qx "$src/$header" "$list"; then
            echo "core file $file includes a window header: $header"
            status=1
        fi
    done
done < "$list"

allowed() {
    case "$1" in
    core) echo "core" ;;
    dns | whois) echo "core $1" ;;
    results | dialogs | shell) echo "core dns whois $1" ;;
    app) echo "core dns whois results dialogs shell app" ;;
    esac
}
for dir in core dns whois results dialogs shell app; do
    for file in "$src/$dir"/*; do
        for used in $(grep -hoE '^\s*#\s*include\s*"[a-z]+/' "$file" | grep -oE '"[a-z]+' | tr -d '"'); do
            case " $(allowed "$dir") " in
            *" $used "*) ;;
            *)
                echo "$file includes from $used/, which is above $dir/"
                status=1
                ;;
            esac
        done
    done
done
if ldd "$3" | grep -E 'libQt6(Gui|Widgets)'; then
    echo "$3 links a window library"
    status=1
fi
[ "$status" -eq 0 ] && echo "layering holds"
exit "$status"
