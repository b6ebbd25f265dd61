#include "core/Candidates.h"

#include "core/AppInfo.h"

#include <QUrl>
#include <climits>

namespace Candidates {

namespace {
// Keyboards of East Asian scripts type these; the conversion reads the full stops as dots.
constexpr char16_t IdeographicFullStop = 0x3002;
constexpr char16_t FullwidthFullStop = 0xFF0E;
constexpr char16_t HalfwidthIdeographicFullStop = 0xFF61;
constexpr char16_t IdeographicSpace = 0x3000;
constexpr char16_t ZeroWidthNonJoiner = 0x200C;
constexpr char16_t ZeroWidthJoiner = 0x200D;
constexpr int MaxAsciiLabel = 63;

// The length of a label's Punycode (RFC 3492) without its "xn--", to tell a name that is too long from one with
// characters the conversion refuses.
int punycodeLength(const QList<uint>& code)
{
    constexpr uint Base = 36, TMin = 1, TMax = 26;
    const auto basic = std::count_if(code.cbegin(), code.cend(), [](uint c) { return c < 0x80; });
    int length = int(basic) + (basic > 0 ? 1 : 0);
    uint n = 0x80, delta = 0, bias = 72;
    for (auto handled = qsizetype(basic); handled < code.size();) {
        uint next = UINT_MAX;
        for (uint c : code)
            next = c >= n ? qMin(next, c) : next;
        delta += (next - n) * uint(handled + 1);
        n = next;
        for (uint c : code) {
            delta += c < n;
            if (c != n)
                continue;
            for (uint q = delta, k = Base;; k += Base, ++length) {
                const uint t = k <= bias ? TMin : k >= bias + TMax ? TMax : k - bias;
                if (q < t)
                    break;
                q = (q - t) / (Base - t);
            }
            ++length;
            // Bias adaptation, RFC 3492 section 6.1.
            uint d = handled == basic ? delta / 700 : delta / 2;
            d += d / uint(handled + 1);
            uint k = 0;
            for (; d > ((Base - TMin) * TMax) / 2; k += Base)
                d /= Base - TMin;
            bias = k + (Base - TMin + 1) * d / (d + 38);
            delta = 0;
            ++handled;
        }
        ++delta;
        ++n;
    }
    return length;
}

bool isAscii(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}
} // namespace

bool isAllowed(char32_t c)
{
    static const QString allowed =
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890- ;,.");
    // Line breaks and tabs come with a pasted list; they separate names as blanks do.
    if (c == '\r' || c == '\n' || c == '\t')
        return true;
    if (c < 0x80)
        return allowed.contains(QChar(c));
    // Names in their own script: letters, marks and digits of any script, and the ideographic full stop.
    return QChar::isLetter(c) || QChar::isMark(c) || QChar::category(c) == QChar::Number_DecimalDigit ||
           c == IdeographicFullStop || c == FullwidthFullStop || c == HalfwidthIdeographicFullStop ||
           c == IdeographicSpace || c == ZeroWidthNonJoiner || c == ZeroWidthJoiner;
}

QString asciiForm(const QString& name)
{
    // A name in plain ASCII goes out exactly as typed; conversion would lower its case and refuse some.
    if (isAscii(name))
        return name;
    return QString::fromLatin1(QUrl::toAce(name));
}

bool tooLongForDomain(const QString& name)
{
    QString dotted = name.toLower();
    for (const char16_t dot : {IdeographicFullStop, FullwidthFullStop, HalfwidthIdeographicFullStop})
        dotted.replace(QChar(dot), QLatin1Char('.'));
    const QStringList labels = dotted.normalized(QString::NormalizationForm_C).split(QLatin1Char('.'));
    return std::any_of(labels.cbegin(), labels.cend(), [](const QString& label) {
        return isAscii(label) ? label.size() > MaxAsciiLabel : 4 + punycodeLength(label.toUcs4()) > MaxAsciiLabel;
    });
}

QString normalize(const QString& text)
{
    QString t = text;
    for (const char16_t blank : {u'\r', u'\n', u'\t', IdeographicSpace})
        t.replace(QChar(blank), QLatin1Char(' '));
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

namespace {
// A name without ASCII form: too long, or with characters the conversion refuses.
Result refused(const QString& name)
{
    Result result;
    result.verdict = tooLongForDomain(name) ? Verdict::TooLong : Verdict::IllegalCharacter;
    if (result.verdict == Verdict::TooLong)
        result.tooLong = name;
    return result;
}
} // namespace

Result build(const QString& text, bool combinations, int capacity, bool dashes)
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
    for (const QString& name : typed) {
        ascii.append(asciiForm(name));
        if (ascii.constLast().isEmpty())
            return refused(name);
    }
    // Complete names are told by their dot, which a name in its own script may only get from its conversion.
    const bool complete = std::any_of(ascii.cbegin(), ascii.cend(), [](const QString& n) { return n.contains(QLatin1Char('.')); });
    const qint64 n = typed.size();
    result.bareNames = !complete;
    result.entriesNeeded = complete || !combinations ? n : n * n + (dashes ? n * (n - 1) : 0);
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
                if (dashes && i != j) {
                    result.typed.append(typed.at(i) + QLatin1Char('-') + typed.at(j));
                    result.names.append(asciiForm(result.typed.constLast()));
                }
            }
        }
        if (const qsizetype at = result.names.indexOf(QString()); at >= 0)
            return refused(result.typed.at(at));
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

QString tooLongText(const QString& name)
{
    return QStringLiteral("The name %1 is too long for a domain name.").arg(name) + QLatin1Char('\r') +
           QStringLiteral("A domain name can have at most 63 characters between two dots, counted in its ASCII form "
                          "(the xn-- form that names in other scripts are sent in).");
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
