// Builds orvtab.dll from the readable domain table: every line that is not blank or a "#" comment is
// scrambled with the program's own substitution and written with a CR LF line end, one byte per character.
#include "core/FileOps.h"

#include <QFile>
#include <QTextStream>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkorvtab TABLE.txt orvtab.dll\n");
        return 2;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "mkorvtab: cannot read %s\n", argv[1]);
        return 1;
    }
    QByteArray out;
    int lineNumber = 0;
    for (const QByteArray& raw : in.readAll().split('\n')) {
        ++lineNumber;
        QByteArray line = raw;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        const QString text = QString::fromUtf8(line);
        for (const QChar c : text) {
            if (c.unicode() > 0xFF) {
                std::fprintf(stderr, "mkorvtab: line %d holds a character outside Latin-1\n", lineNumber);
                return 1;
            }
        }
        if (text.count(QLatin1Char(';')) < 2) {
            std::fprintf(stderr, "mkorvtab: line %d has fewer than three fields\n", lineNumber);
            return 1;
        }
        out += FileOps::UnscrambleLine(text).toLatin1();
        out += "\r\n";
    }
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(out) != out.size()) {
        std::fprintf(stderr, "mkorvtab: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
