#include "core/Candidates.h"

#include "core/AppInfo.h"

namespace Candidates {

bool isAllowed(QChar c)
{
    static const QString allowed =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890- ;,.");
    return allowed.contains(c);
}

QString normalize(const QString& text)
{
    QString t = text;
    t.replace(QLatin1Char(';'), QLatin1Char(' '));
    t.replace(QLatin1Char(','), QLatin1Char(' '));
    // Only blanks are trimmed and folded; every other character was checked before.
    qsizetype first = 0;
    qsizetype last = t.size();
    while (first < last && t.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && t.at(last - 1) == QLatin1Char(' '))
        --last;
    t = t.mid(first, last - first);
    qsizetype before = -1;
    while (before != t.size()) {
        before = t.size();
        t.replace(QStringLiteral("  "), QStringLiteral(" "));
    }
    return t;
}

Result build(const QString& text, bool combinations, int capacity)
{
    Result result;
    for (const QChar c : text) {
        if (!isAllowed(c)) {
            result.verdict = Verdict::IllegalCharacter;
            return result;
        }
    }
    const QString normalized = normalize(text);
    if (normalized.isEmpty()) {
        result.verdict = Verdict::Empty;
        return result;
    }
    const QStringList names = normalized.split(QLatin1Char(' '));
    const qint64 n = names.size();

    if (normalized.contains(QLatin1Char('.')) || !combinations) {
        result.bareNames = !normalized.contains(QLatin1Char('.'));
        if (n > capacity) {
            result.verdict = Verdict::TooMany;
            result.entriesNeeded = n;
            return result;
        }
        result.names = names;
        result.verdict = Verdict::Accepted;
        return result;
    }

    result.bareNames = true;
    if (n * n > capacity) {
        result.verdict = Verdict::TooMany;
        result.entriesNeeded = n * n;
        return result;
    }
    result.names.reserve(n * n);
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = 0; j < n; ++j)
            result.names.append(i == j ? names.at(i) : names.at(i) + names.at(j));
    }
    result.verdict = Verdict::Accepted;
    return result;
}

QString illegalCharacterText()
{
    return QStringLiteral("Illegal characters encountered") + QLatin1Char('\r') +
           QStringLiteral("Only characters allowed are letters, numbers and -");
}

QString illegalCharacterCaption()
{
    return AppInfo::Title + QStringLiteral(" - Illegal characters used");
}

QString tooManyText(qint64 entriesNeeded, int capacity)
{
    return QStringLiteral("Too many names to check at once.") + QLatin1Char('\r') +
           QStringLiteral("Orlevan can check at most %1 names in one go, and this input makes %2.")
               .arg(capacity)
               .arg(entriesNeeded) +
           QLatin1Char('\r') + QStringLiteral("Please split the names over several checks.");
}

} // namespace Candidates
