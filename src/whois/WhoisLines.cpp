#include "whois/WhoisLines.h"

namespace Whois {

QStringList splitReplyPiece(const QString& piece)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = piece.size();
    while (start < n) {
        const qsizetype lf = piece.indexOf(QLatin1Char('\n'), start);
        if (lf < 0 || QStringView(piece).mid(start, lf - start).contains(QLatin1Char('\r'))) {
            lines.append(piece.mid(start));
            break;
        }
        lines.append(piece.mid(start, lf - start) + QStringLiteral("\r\n"));
        start = lf + 1;
    }
    return lines;
}

} // namespace Whois
