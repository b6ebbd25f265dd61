#include "cli/CliInput.h"

#include <QFile>
#include <QIODevice>
#include <QSet>

#include <limits>

namespace CliInput {

namespace {
const QString StandardInput = QStringLiteral("-");

// The names of a text, separated as in the window's name box, each with where it was given.
void appendNames(QList<Name>& names, const QString& text, const QString& where)
{
    const QString normalized = Candidates::normalize(text);
    if (normalized.isEmpty())
        return;
    for (const QString& name : normalized.split(QLatin1Char(' ')))
        names.append({name, where});
}

// True the first time a name is seen, in any letter case.
bool firstTime(QSet<QString>& seen, const QString& ascii)
{
    const qsizetype before = seen.size();
    seen.insert(ascii.toLower());
    return seen.size() > before;
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
} // namespace

QList<Name> namesOfFile(const QByteArray& bytes, const QString& label)
{
    QList<Name> names;
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i)
        appendNames(names, lines.at(i).section(QLatin1Char('#'), 0, 0),
                    label + QLatin1Char(':') + QString::number(i + 1));
    return names;
}

bool readsStandardInput(const QStringList& arguments, const QStringList& files)
{
    return (arguments.isEmpty() && files.isEmpty()) || arguments.contains(StandardInput) ||
           files.contains(StandardInput);
}

std::optional<QList<Name>> gather(const QStringList& arguments, const QStringList& files, QIODevice* standardInput,
                                  QString* error)
{
    QList<Name> names;
    bool inputRead = false;
    const auto readInput = [&] {
        if (inputRead || !standardInput)
            return;
        inputRead = true;
        names += namesOfFile(standardInput->readAll(), QStringLiteral("<stdin>"));
    };
    if (arguments.isEmpty() && files.isEmpty())
        readInput();
    for (const QString& argument : arguments) {
        if (argument == StandardInput)
            readInput();
        else
            appendNames(names, argument, QString());
    }
    for (const QString& path : files) {
        if (path == StandardInput) {
            readInput();
            continue;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("The name file %1 cannot be read: %2.").arg(path, file.errorString());
            return std::nullopt;
        }
        names += namesOfFile(file.readAll(), path);
    }
    return names;
}

std::optional<QList<Item>> prepare(const QList<Name>& names, bool combinations, bool dashes, QString* error)
{
    QList<Item> items;
    QStringList bareTyped;
    QSet<QString> joinedKeys;
    qsizetype combinedAt = -1;
    for (const Name& name : names) {
        const Candidates::Result one = Candidates::build(name.text, false, std::numeric_limits<int>::max());
        if (one.verdict != Candidates::Verdict::Accepted) {
            *error = (name.where.isEmpty() ? QString() : name.where + QStringLiteral(": ")) + refusalOf(one, name.text);
            return std::nullopt;
        }
        if (combinations && one.bareNames) {
            combinedAt = combinedAt < 0 ? items.size() : combinedAt;
            // A name given twice is joined once.
            if (firstTime(joinedKeys, one.names.constFirst()))
                bareTyped.append(one.typed.constFirst());
            continue;
        }
        items.append({one.names.constFirst(), one.typed.constFirst(), one.bareNames});
    }
    if (combinedAt >= 0) {
        const Candidates::Result joined =
            Candidates::build(bareTyped.join(QLatin1Char(' ')), true, std::numeric_limits<int>::max(), dashes);
        if (joined.verdict != Candidates::Verdict::Accepted) {
            *error = refusalOf(joined, joined.refusedName);
            return std::nullopt;
        }
        QList<Item> combined;
        for (qsizetype i = 0; i < joined.names.size(); ++i)
            combined.append({joined.names.at(i), joined.typed.at(i), true});
        items = items.mid(0, combinedAt) + combined + items.mid(combinedAt);
    }
    // The same name twice is asked once, where it came first.
    QSet<QString> seen;
    QList<Item> once;
    for (const Item& item : std::as_const(items)) {
        if (firstTime(seen, item.ascii))
            once.append(item);
    }
    return once;
}

QList<Candidates::Result> batches(const QList<Item>& items, int suffixCount, int capacity)
{
    QList<Candidates::Result> out;
    const int perBareBatch = qMax(1, capacity / qMax(1, suffixCount));
    for (const Item& item : items) {
        const int room = item.bare ? perBareBatch : capacity;
        if (out.isEmpty() || out.constLast().bareNames != item.bare || out.constLast().names.size() >= room) {
            Candidates::Result batch;
            batch.verdict = Candidates::Verdict::Accepted;
            batch.bareNames = item.bare;
            out.append(batch);
        }
        out.last().names.append(item.ascii);
        out.last().typed.append(item.typed);
    }
    return out;
}

} // namespace CliInput
