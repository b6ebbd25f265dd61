#include "check/WatchText.h"

#include "core/Candidates.h"
#include "whois/RdapDomain.h"

#include <limits>

namespace WatchText {

namespace {
QString timeText(const QDateTime& when)
{
    return when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

// A cell of the copy stays on its line and in its column.
QString oneCell(QString text)
{
    for (const QChar c : {QLatin1Char('\t'), QLatin1Char('\r'), QLatin1Char('\n')})
        text.replace(c, QLatin1Char(' '));
    return text;
}
} // namespace

QStringList headings()
{
    return {QStringLiteral("Domain"),     QStringLiteral("State"),  QStringLiteral("Registrar"),
            QStringLiteral("Expires"),    QStringLiteral("Status"), QStringLiteral("Last check"),
            QStringLiteral("Last change")};
}

QString expiry(const WatchEntry& entry, const QDate& today)
{
    if (!entry.expires.isValid())
        return entry.expiryLines.value(0);
    const QString left = RdapDomain::daysLeft(today, entry.expires);
    return entry.expires.toString(Qt::ISODate) + QStringLiteral(" (") + left + QLatin1Char(')');
}

QStringList row(const WatchEntry& entry, const QDate& today)
{
    QString domain = entry.domain;
    if (entry.ascii != entry.domain.toLower())
        domain += QStringLiteral(" (") + entry.ascii + QLatin1Char(')');
    const QString checked = entry.checked.isValid() ? timeText(entry.checked) : QStringLiteral("never");
    const QString change = entry.change.isEmpty()
                               ? QString()
                               : entry.change + QStringLiteral(" (") + timeText(entry.changed) + QLatin1Char(')');
    return {domain,
            Watch::stateText(entry.state),
            entry.registrar,
            expiry(entry, today),
            entry.registryStatus.join(QStringLiteral(", ")),
            checked,
            change};
}

QString tsv(const QList<QStringList>& rows)
{
    QString text;
    for (const QStringList& cells : rows) {
        QStringList line;
        for (const QString& cell : cells)
            line.append(oneCell(cell));
        text += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

std::optional<Notice> notice(const QList<Watch::Outcome>& outcomes)
{
    QStringList lines;
    QString only;
    for (const Watch::Outcome& outcome : outcomes) {
        if (outcome.changes.isEmpty())
            continue;
        only = outcome.entry.domain;
        lines.append(only + QStringLiteral(": ") + outcome.changes.join(QStringLiteral("; ")));
    }
    if (lines.isEmpty())
        return std::nullopt;
    const QString title = lines.size() == 1 ? only + QStringLiteral(" changed")
                                            : QStringLiteral("%1 watched names changed").arg(lines.size());
    return Notice{title, lines.join(QLatin1Char('\n'))};
}

QString changedText(int count)
{
    return (count == 1 ? QStringLiteral("1 watched name has changed")
                       : QStringLiteral("%1 watched names have changed").arg(count)) +
           QStringLiteral("; see Tools > Watched names.");
}

QString bareNameText(const QString& typed)
{
    return QStringLiteral("The watch list holds complete domain names such as %1.com, not %1.").arg(typed);
}

Typed typedNames(const QString& text)
{
    const Candidates::Result built = Candidates::build(text, false, std::numeric_limits<int>::max());
    Typed typed;
    switch (built.verdict) {
    case Candidates::Verdict::Accepted:
        break;
    case Candidates::Verdict::IllegalCharacter:
        typed.refusal = Candidates::illegalCharacterText();
        return typed;
    case Candidates::Verdict::TooLong:
        typed.refusal = Candidates::tooLongText(built.refusedName);
        return typed;
    case Candidates::Verdict::Unregistrable:
        typed.refusal = Candidates::unregistrableText(built.refusedName, built.reason);
        return typed;
    case Candidates::Verdict::Empty:
    case Candidates::Verdict::TooMany: // no limit is set
        return typed;
    }
    for (qsizetype i = 0; i < built.names.size(); ++i) {
        if (!built.names.at(i).contains(QLatin1Char('.'))) {
            typed.refusal = bareNameText(built.typed.at(i));
            typed.names.clear();
            return typed;
        }
        typed.names.append({built.typed.at(i), built.names.at(i)});
    }
    return typed;
}

} // namespace WatchText
