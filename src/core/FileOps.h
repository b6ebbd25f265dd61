#pragma once

#include <QString>

namespace FileOps {
// The data file's character substitution. It is its own inverse: the same call scrambles and unscrambles.
QChar UnscrambleChar(QChar c);
QString UnscrambleLine(const QString& line);
} // namespace FileOps
