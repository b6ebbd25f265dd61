#pragma once

#include <QString>
#include <QStringList>

// The one reset of all program state: every program-wide value and test hook back at its start, and the settings
// file, the data folder, the program folder and the resolver configuration inside the suite's own folder, so that
// no suite reads or writes the user's folders and suites running side by side never meet.
void resetProgramState(const QString& folder);
// A file written whole, its folder made first; false when it cannot be. And a file read whole, empty when it cannot.
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
// Writes a data file from plain lines, scrambled, CR LF after each.
void writeDataFile(const QString& path, const QStringList& plainLines);
// Fills the domain table from plain lines as the data file would.
void loadTable(const QStringList& plainLines);
