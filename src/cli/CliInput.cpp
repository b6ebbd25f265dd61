#include "cli/CliInput.h"

#include <QBuffer>
#include <QFile>
#include <QIODevice>
#include <QTemporaryFile>

#include <limits>
#include <utility>

namespace CliInput {

namespace {
const QString StandardInput = QStringLiteral("-");

// The names of a text, separated as in the window's name box, each with where it was given.
bool eachName(const QString& text, const QString& file, qint64 line, const std::function<bool(const Name&)>& each)
{
    const QString normalized = Candidates::normalize(text);
    if (normalized.isEmpty())
        return true;
    if (!normalized.contains(QLatin1Char(' ')))
        return each({normalized, file, line});
    for (const QString& name : normalized.split(QLatin1Char(' '))) {
        if (!each({name, file, line}))
            return false;
    }
    return true;
}

// One line into `line`, whose room is kept from one call to the next: a list of a million names reads a million
// lines. False at the end.
bool readLineInto(QIODevice& from, QByteArray& line)
{
    line.resize(0);
    char chunk[4096];
    for (;;) {
        const qint64 got = from.readLine(chunk, sizeof chunk);
        if (got <= 0)
            return !line.isEmpty();
        line.append(chunk, got);
        if (chunk[got - 1] == '\n')
            return true;
    }
}

// The names of a name file, line by line; false when `each` said so.
bool eachNameOfFile(QIODevice& file, const QString& label, const std::function<bool(const Name&)>& each)
{
    // Read until nothing more comes: a pipe may say it is at its end while its writer has only paused.
    QByteArray bytes;
    for (qint64 line = 1; readLineInto(file, bytes); ++line) {
        // A comment runs to the end of the line; no byte of a character beyond ASCII is a "#".
        const qsizetype comment = bytes.indexOf('#');
        const qsizetype bom = line == 1 && bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        qsizetype end = comment < 0 ? bytes.size() : comment;
        // Without its line end a line of one name is that name as it stands, with nothing to separate.
        while (end > bom && (bytes.at(end - 1) == '\n' || bytes.at(end - 1) == '\r'))
            --end;
        if (!eachName(QString::fromUtf8(bytes.constData() + bom, qMax(bom, end) - bom), label, line, each))
            return false;
    }
    return true;
}

QString refusalOf(const Candidates::Result& result, const QString& name)
{
    switch (result.verdict) {
    case Candidates::Verdict::IllegalCharacter:
        return QStringLiteral("The name %1 holds a character no domain name may have: only letters, digits and - "
                              "are allowed.")
            .arg(name);
    case Candidates::Verdict::TooLong:
        return Candidates::tooLongText(result.refusedName);
    case Candidates::Verdict::Unregistrable:
        return Candidates::unregistrableText(result.refusedName, result.reason);
    case Candidates::Verdict::TooMany:
        return Candidates::tooManyText(result.entriesNeeded, std::numeric_limits<int>::max());
    case Candidates::Verdict::Empty:
    case Candidates::Verdict::Accepted:
        break;
    }
    return QString();
}

// A temporary file, or memory where no temporary file can be made.
std::unique_ptr<QIODevice> spool()
{
    auto file = std::make_unique<QTemporaryFile>();
    if (file->open())
        return file;
    auto buffer = std::make_unique<QBuffer>();
    buffer->open(QIODevice::ReadWrite);
    return buffer;
}

// One item a line, its ASCII form and a tab before the form as typed: the names hold no tab and no line end. The
// form as typed is left out where it is the ASCII form. Its kind is not kept: the batches carry it.
bool writeItem(QIODevice& to, const Item& item)
{
    QByteArray line = item.ascii.toUtf8();
    line += '\t';
    if (item.typed != item.ascii)
        line += item.typed.toUtf8();
    line += '\n';
    return to.write(line) == line.size();
}

// Said right after the write failed, while the system's error number still tells why.
QString unkeptText(const QIODevice& spool)
{
    const auto* file = qobject_cast<const QFile*>(&spool);
    return QStringLiteral("The names cannot be kept in the temporary file %1: %2.")
        .arg(file ? file->fileName() : QString(), qt_error_string());
}

bool readItemFrom(QIODevice& from, QByteArray& line, Item* item)
{
    if (!readLineInto(from, line))
        return false;
    const qsizetype tab = line.indexOf('\t');
    if (tab < 0)
        return false;
    const qsizetype end = line.size() - 1; // each line was written whole, with its line end
    item->ascii = QString::fromUtf8(line.constData(), tab);
    item->typed = end == tab + 1 ? item->ascii : QString::fromUtf8(line.constData() + tab + 1, end - tab - 1);
    return true;
}

// A name's key for the check for repeats: two hashes of its lower-case form under different seeds. Two names are
// taken for one only when both agree: for a million names a chance of about one in 10^27.
std::pair<size_t, size_t> repeatKey(const QString& ascii)
{
    const QString lower = ascii.toLower();
    return {qHash(lower, size_t(0x9e3779b97f4a7c15ULL)), qHash(lower, size_t(0x2545f4914f6cdd1dULL))};
}

// True the first time a name is seen, in any letter case.
bool firstTime(QSet<std::pair<size_t, size_t>>& seen, const QString& ascii)
{
    const qsizetype before = seen.size();
    seen.insert(repeatKey(ascii));
    return seen.size() > before;
}
} // namespace

bool readsStandardInput(const QStringList& arguments, const QStringList& files)
{
    return (arguments.isEmpty() && files.isEmpty()) || arguments.contains(StandardInput) ||
           files.contains(StandardInput);
}

std::optional<QString> forEachName(const Sources& sources, const std::function<bool(const Name&)>& each)
{
    bool inputRead = false;
    bool going = true;
    const auto readInput = [&] {
        if (!inputRead && sources.standardInput)
            going = eachNameOfFile(*sources.standardInput, QStringLiteral("<stdin>"), each);
        inputRead = true;
    };
    if (sources.arguments.isEmpty() && sources.files.isEmpty())
        readInput();
    for (const QString& argument : sources.arguments) {
        if (!going)
            return std::nullopt;
        if (argument == StandardInput)
            readInput();
        else
            going = eachName(argument, QString(), 0, each);
    }
    for (const QString& path : sources.files) {
        if (!going)
            return std::nullopt;
        if (path == StandardInput) {
            readInput();
            continue;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("The name file %1 cannot be read: %2.").arg(path, file.errorString());
        going = eachNameOfFile(file, path, each);
    }
    return std::nullopt;
}

std::optional<QList<Name>> gather(const Sources& sources, QString* error)
{
    QList<Name> names;
    if (const std::optional<QString> failure = forEachName(sources, [&](const Name& name) {
            names.append(name);
            return true;
        })) {
        *error = *failure;
        return std::nullopt;
    }
    return names;
}

Prepared::Prepared(bool combinations, bool dashes)
    : m_combinations(combinations), m_dashes(dashes), m_judged(combinations ? spool() : nullptr), m_ready(spool())
{
}

Prepared::~Prepared() = default;

bool Prepared::add(const Name& name, QString* error)
{
    const Candidates::Result one = Candidates::build(name.text, false, std::numeric_limits<int>::max());
    if (one.verdict != Candidates::Verdict::Accepted) {
        *error = (name.file.isEmpty() ? QString() : name.where() + QStringLiteral(": ")) + refusalOf(one, name.text);
        return false;
    }
    if (m_combinations && one.bareNames) {
        m_combinedAt = m_combinedAt < 0 ? m_judgedCount : m_combinedAt;
        // A name given twice is joined once.
        if (firstTime(m_joinedKeys, one.names.constFirst()))
            m_bareTyped.append(one.typed.constFirst());
        return true;
    }
    const Item item{one.names.constFirst(), one.typed.constFirst(), one.bareNames};
    // Without joining, the order is final as the names come: each goes straight to the names to ask, once.
    if (!m_judged) {
        if (!firstTime(m_seen, item.ascii))
            return true;
        if (m_runs.isEmpty() || m_runs.constLast().first != item.bare)
            m_runs.append({item.bare, 0});
        ++m_runs.last().second;
    }
    QIODevice& to = m_judged ? *m_judged : *m_ready;
    if (!writeItem(to, item)) {
        m_failed = true;
        *error = unkeptText(to);
        return false;
    }
    ++m_judgedCount;
    return true;
}

bool Prepared::finish(int suffixCount, int capacity, QString* error)
{
    const int perBareBatch = qMax(1, capacity / qMax(1, suffixCount));
    if (!m_judged) {
        for (const auto& [bare, names] : std::as_const(m_runs)) {
            const int room = bare ? perBareBatch : capacity;
            for (qint64 left = names; left > 0; left -= room)
                m_batches.append({bare, int(qMin<qint64>(left, room))});
        }
        m_runs.clear();
        return ready(error);
    }
    QList<Item> combined;
    if (m_combinedAt >= 0) {
        const Candidates::Result joined =
            Candidates::build(m_bareTyped.join(QLatin1Char(' ')), true, std::numeric_limits<int>::max(), m_dashes);
        if (joined.verdict != Candidates::Verdict::Accepted) {
            *error = refusalOf(joined, joined.refusedName);
            return false;
        }
        for (qsizetype i = 0; i < joined.names.size(); ++i)
            combined.append({joined.names.at(i), joined.typed.at(i), true});
    }
    m_bareTyped.clear();
    m_joinedKeys.clear();
    // The same name twice is asked once, where it came first.
    const auto keep = [&](const Item& item) {
        if (!firstTime(m_seen, item.ascii))
            return;
        const int room = item.bare ? perBareBatch : capacity;
        if (m_batches.isEmpty() || m_batches.constLast().bare != item.bare || m_batches.constLast().names >= room)
            m_batches.append({item.bare, 0});
        ++m_batches.last().names;
        if (!m_failed && !writeItem(*m_ready, item)) {
            m_failed = true;
            *error = unkeptText(*m_ready);
        }
    };
    // Going back writes out what waits in the buffer, which may fail too.
    if (!m_judged->seek(0)) {
        m_failed = true;
        *error = unkeptText(*m_judged);
        return false;
    }
    Item item{QString(), QString(), false}; // among the judged names, only the complete ones wait
    QByteArray line;
    for (qint64 i = 0; i <= m_judgedCount; ++i) {
        if (i == m_combinedAt) {
            for (const Item& one : std::as_const(combined))
                keep(one);
        }
        if (i < m_judgedCount && readItemFrom(*m_judged, line, &item))
            keep(item);
    }
    m_judged.reset();
    return ready(error);
}

bool Prepared::ready(QString* error)
{
    m_seen.clear();
    if (!m_failed && !m_ready->seek(0)) {
        m_failed = true;
        *error = unkeptText(*m_ready);
    }
    return !m_failed;
}

Candidates::Result Prepared::next()
{
    Candidates::Result batch;
    batch.verdict = Candidates::Verdict::Accepted;
    if (m_nextBatch >= m_batches.size())
        return batch;
    const Batch& shape = m_batches.at(m_nextBatch++);
    batch.bareNames = shape.bare;
    batch.names.reserve(shape.names);
    batch.typed.reserve(shape.names);
    Item item;
    for (int i = 0; i < shape.names && readItemFrom(*m_ready, m_line, &item); ++i) {
        batch.names.append(item.ascii);
        batch.typed.append(item.typed);
    }
    return batch;
}

std::optional<QList<Item>> prepare(const QList<Name>& names, bool combinations, bool dashes, QString* error)
{
    Prepared prepared(combinations, dashes);
    for (const Name& name : names) {
        if (!prepared.add(name, error))
            return std::nullopt;
    }
    if (!prepared.finish(1, std::numeric_limits<int>::max(), error))
        return std::nullopt;
    QList<Item> items;
    for (qsizetype b = 0; b < prepared.batches().size(); ++b) {
        const Candidates::Result batch = prepared.next();
        for (qsizetype i = 0; i < batch.names.size(); ++i)
            items.append({batch.names.at(i), batch.typed.at(i), batch.bareNames});
    }
    return items;
}

} // namespace CliInput
