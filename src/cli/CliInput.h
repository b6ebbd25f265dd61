#pragma once

#include "core/Candidates.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QIODevice;

// The names of one orlevan-cli run: gathered from the arguments and the name files, each judged by itself, asked
// once, and cut into Checks small enough for the name list.
namespace CliInput {

// One name as given, and where: the file ("<stdin>") and line, or no file for an argument.
struct Name
{
    QString text;
    QString file;
    qint64 line = 0;
    QString where() const { return file + QLatin1Char(':') + QString::number(line); } // "FILE:LINE"
};

// Where the names of a run are given: names as arguments, name files, and standard input when "-" stands among
// either (or when neither gives any), which is read once.
struct Sources
{
    QStringList arguments;
    QStringList files;
    QIODevice* standardInput = nullptr;
};
// Every name of the arguments and of the files, in order, each handed to `each` as it is read, a file line by
// line, until `each` says false. A name file holds one or more names a line, separated as in the window's name
// box; a byte order mark, CR LF line ends, blank lines and "#" comments to the end of a line are allowed. The
// message when a file cannot be read.
std::optional<QString> forEachName(const Sources& sources, const std::function<bool(const Name&)>& each);
// All of them in a list.
std::optional<QList<Name>> gather(const Sources& sources, QString* error);
// Whether standard input is to be read: no name and no file given, or "-" among them.
bool readsStandardInput(const QStringList& arguments, const QStringList& files);

// A name ready for a Check: its ASCII form, as typed, and whether it goes under the suffixes (no dot).
struct Item
{
    QString ascii;
    QString typed;
    bool bare = true;
};

// The names of one run made ready for its Checks: each judged by itself as it comes, a name given twice (in any
// letter case, in either form) kept once where it came first, in Combinations the bare names joined as the window
// joins them in the place of the first one, and the whole cut into Checks of consecutive names of one kind small
// enough for the name list. They wait in a temporary file, not in memory, so that a list of a million names takes
// little more room than one of a thousand: only the check for repeats keeps a few bytes a name, while the run is
// made ready.
class Prepared final
{
public:
    struct Batch
    {
        bool bare = true;
        int names = 0;
    };

    Prepared(bool combinations, bool dashes);
    ~Prepared();
    Prepared(const Prepared&) = delete;
    Prepared& operator=(const Prepared&) = delete;

    // Judges one more name; false, with the refusal naming the name and where it was given, when it cannot be
    // asked.
    bool add(const Name& name, QString* error);
    // After the last name: joins, drops the repeats and cuts the batches of at most `capacity` candidates under
    // `suffixCount` suffixes; false, with the refusal, when the joined names cannot be asked.
    bool finish(int suffixCount, int capacity, QString* error);

    // The names could not be kept: the refusal is the machine's, not the names'.
    bool failed() const { return m_failed; }
    const QList<Batch>& batches() const { return m_batches; }
    // The names of the next batch, in order; after the last, an empty one.
    Candidates::Result next();

private:
    // Back to the first name to ask; false, with the refusal, when the names could not be kept.
    bool ready(QString* error);

    const bool m_combinations;
    const bool m_dashes;
    // In Combinations, every name as judged, in order, before the repeats are dropped; the joined names go among
    // them at the end.
    std::unique_ptr<QIODevice> m_judged;
    std::unique_ptr<QIODevice> m_ready; // the names to ask, batch after batch
    qint64 m_judgedCount = 0;
    qint64 m_combinedAt = -1; // where the joined names go among the judged ones
    QStringList m_bareTyped;
    QSet<std::pair<size_t, size_t>> m_joinedKeys; // the bare names joined so far
    QSet<std::pair<size_t, size_t>> m_seen;       // the names to ask so far
    QList<std::pair<bool, qint64>> m_runs;        // without joining: the names to ask, as runs of one kind
    QList<Batch> m_batches;
    qsizetype m_nextBatch = 0;
    QByteArray m_line; // the room of the last line read
    bool m_failed = false;
};

// Each name judged, joined and kept once as Prepared does, all in one list.
std::optional<QList<Item>> prepare(const QList<Name>& names, bool combinations, bool dashes, QString* error);

} // namespace CliInput
