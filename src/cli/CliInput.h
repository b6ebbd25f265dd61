#pragma once

#include "core/Candidates.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QIODevice;

// The names of one orlevan-cli run: gathered from the arguments and the name files, each judged by itself, asked
// once, and cut into Checks small enough for the name list.
namespace CliInput {

// One name as given, and where: "FILE:LINE" ("<stdin>:LINE"), or empty for an argument.
struct Name
{
    QString text;
    QString where;
};

// The names of a name file's text: one or more a line, separated as in the window's name box; a byte order mark,
// CR LF line ends, blank lines and "#" comments to the end of a line are allowed.
QList<Name> namesOfFile(const QByteArray& bytes, const QString& label);

// Every name of the arguments and of the files, in order; "-" as an argument or a file stands for standard input,
// which is read once. The message when a file cannot be read.
std::optional<QList<Name>> gather(const QStringList& arguments, const QStringList& files, QIODevice* standardInput,
                                  QString* error);
// Whether standard input is to be read: no name and no file given, or "-" among them.
bool readsStandardInput(const QStringList& arguments, const QStringList& files);

// A name ready for a Check: its ASCII form, as typed, and whether it goes under the suffixes (no dot).
struct Item
{
    QString ascii;
    QString typed;
    bool bare = true;
};
// Each name judged by itself, a name given twice (in any letter case, in either form) kept once. In Combinations
// the bare names are joined as the window joins them, in the place of the first one. The refusal, naming the name
// and where it was given, when one cannot be asked.
std::optional<QList<Item>> prepare(const QList<Name>& names, bool combinations, bool dashes, QString* error);

// Consecutive names of one kind, cut into Checks of at most `capacity` candidates under `suffixCount` suffixes.
QList<Candidates::Result> batches(const QList<Item>& items, int suffixCount, int capacity);

} // namespace CliInput
