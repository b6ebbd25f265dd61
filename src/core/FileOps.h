#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace FileOps {
// The data file's character substitution. It is its own inverse: the same call scrambles and unscrambles.
QChar UnscrambleChar(QChar c);
QString UnscrambleLine(const QString& line);
// Writes the whole file or nothing: an earlier file stays as it was. Why not, when it did not.
std::optional<QString> writeWhole(const QString& path, const QByteArray& bytes);
// The folder a save dialog offers: the last one saved to while it exists, else the documents folder, else home.
QString offeredFolder(const QString& last);
} // namespace FileOps
