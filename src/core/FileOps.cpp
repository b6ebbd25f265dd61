#include "core/FileOps.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace FileOps {

QChar UnscrambleChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 'A' && u <= 'Z')
        return QChar(char16_t(155 - u));
    switch (u) {
    case ';':
        return QLatin1Char('?');
    case '?':
        return QLatin1Char(';');
    case '.':
        return QLatin1Char('{');
    case '{':
        return QLatin1Char('.');
    case '/':
        return QLatin1Char('}');
    case '}':
        return QLatin1Char('/');
    case '(':
        return QLatin1Char('-');
    case '-':
        return QLatin1Char('(');
    case ')':
        return QLatin1Char('@');
    case '@':
        return QLatin1Char(')');
    case ' ':
        return QLatin1Char('|');
    case '|':
        return QLatin1Char(' ');
    default:
        break;
    }
    if (u >= 'a' && u <= 'z')
        return QChar(char16_t(219 - u));
    return c;
}

QString UnscrambleLine(const QString& line)
{
    QString out(line.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < line.size(); ++i)
        out[i] = UnscrambleChar(line.at(i));
    return out;
}

std::optional<QString> writeWhole(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return std::nullopt;
}

QString offeredFolder(const QString& last)
{
    for (const QString& folder : {last, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)})
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    return QDir::homePath();
}

} // namespace FileOps
