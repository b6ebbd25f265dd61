#!/usr/bin/env bash
# layering.sh SRC CORE_TEST: a file's folder says what it may include. Nothing outside gui/ includes a Qt Widgets
# or Gui header; folders include only downwards (core <- dns, whois <- check <- gui, cli); and a logic test links
# no window library.
set -u
src="$(cd "$1" && pwd)"
status=0
gui_headers='QtWidgets/|QtGui/|QtOpenGL/|QtPrintSupport/|(QApplication|QGuiApplication|QWidget|QMainWindow|QDialog|QMessageBox|QMenu|QAction|QIcon|QPixmap|QImage|QPainter|QColor|QFont|QFontMetrics|QClipboard|QScreen|QSystemTrayIcon|QDesktopServices|QKeySequence|QShortcut)>'
allowed() {
    case "$1" in
    core) echo "core" ;;
    dns | whois) echo "core $1" ;;
    check) echo "core dns whois check" ;;
    cli) echo "core dns whois check cli" ;;
    gui) echo "core dns whois check gui" ;;
    esac
}
while read -r file; do
    rel="${file#"$src"/}"
    dir="${rel%%/*}"
    [ "$dir" = "$rel" ] && continue # main.cpp
    if [ "$dir" != gui ] && grep -nE "^\s*#\s*include\s*<($gui_headers)" "$file"; then
        echo "$rel is outside gui/ and includes a window header"
        status=1
    fi
    for used in $(grep -hoE '^\s*#\s*include\s*"[a-z]+/' "$file" | grep -oE '"[a-z]+' | tr -d '"'); do
        case " $(allowed "$dir") " in
        *" $used "*) ;;
        *)
            echo "$rel includes from $used/, which is not below $dir/"
            status=1
            ;;
        esac
    done
done < <(find "$src" -name '*.cpp' -o -name '*.h')
if ldd "$2" | grep -E 'libQt6(Gui|Widgets)'; then
    echo "$2 links a window library"
    status=1
fi
[ "$status" -eq 0 ] && echo "layering holds"
exit "$status"
