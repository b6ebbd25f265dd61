#include "core/Candidates.h"

#include "core/AppInfo.h"

#include <QUrl>

namespace Candidates {

namespace {
constexpr char16_t IdeographicFullStop = 0x3002;

bool isAscii(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}
} // namespace

bool isAllowed(char32_t c)
{
    static const QString allowed =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890- ;,.");
    if (c < 0x80)
        return allowed.contains(QChar(c));
    // Names in their own script: letters, marks and digits of any script, and the ideographic full stop.
    return QChar::isLetter(c) || QChar::isMark(c) || QChar::category(c) == QChar::Number_DecimalDigit ||
           c == IdeographicFullStop;
}

QString asciiForm(const QString& name)
{
    // A name in plain ASCII goes out exactly as typed; conversion would lower its case and refuse some.
    if (isAscii(name))
        return name;
    return QString::fromLatin1(QUrl::toAce(name));
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
    const QList<uint> codes = text.toUcs4();
    if (!std::all_of(codes.cbegin(), codes.cend(), [](uint c) { return isAllowed(char32_t(c)); })) {
        result.verdict = Verdict::IllegalCharacter;
        return result;
    }
    const QString normalized = normalize(text);
    if (normalized.isEmpty()) {
        result.verdict = Verdict::Empty;
        return result;
    }
    const QStringList typed = normalized.split(QLatin1Char(' '));
    QStringList ascii;
    for (const QString& name : typed)
        ascii.append(asciiForm(name));
    if (ascii.contains(QString())) {
        result.verdict = Verdict::IllegalCharacter;
        return result;
    }
    // Complete names are told by their dot, which a name in its own script may only get from its conversion.
    const bool complete = std::any_of(ascii.cbegin(), ascii.cend(), [](const QString& n) { return n.contains('.'); });
    const qint64 n = typed.size();
    result.bareNames = !complete;
    result.entriesNeeded = complete || !combinations ? n : n * n;
    if (result.entriesNeeded > capacity) {
        result.verdict = Verdict::TooMany;
        return result;
    }
    if (complete || !combinations) {
        result.typed = typed;
        result.names = ascii;
    } else {
        // The typed forms are joined, then converted: an ASCII form is never joined to another name.
        for (qsizetype i = 0; i < n; ++i) {
            for (qsizetype j = 0; j < n; ++j) {
                result.typed.append(i == j ? typed.at(i) : typed.at(i) + typed.at(j));
                result.names.append(i == j ? ascii.at(i) : asciiForm(result.typed.constLast()));
            }
        }
        if (result.names.contains(QString())) {
            result.verdict = Verdict::IllegalCharacter;
            result.names.clear();
            result.typed.clear();
            return result;
        }
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
