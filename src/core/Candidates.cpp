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
constexpr int MaxAsciiName = 253;

constexpr uint Base = 36, TMin = 1, TMax = 26;

// Bias adaptation, RFC 3492 section 6.1.
uint adapt(uint delta, qsizetype points, bool first)
{
    delta = first ? delta / 700 : delta / 2;
    delta += delta / uint(points);
    uint k = 0;
    for (; delta > ((Base - TMin) * TMax) / 2; k += Base)
        delta /= Base - TMin;
    return k + (Base - TMin + 1) * delta / (delta + 38);
}

uint threshold(uint k, uint bias)
{
    return k <= bias ? TMin : k >= bias + TMax ? TMax : k - bias;
}

// The length of a label's Punycode (RFC 3492) without its "xn--", to tell a name that is too long from one with
// characters the conversion refuses.
int punycodeLength(const QList<uint>& code)
{
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
                const uint t = threshold(k, bias);
                if (q < t)
                    break;
                q = (q - t) / (Base - t);
            }
            ++length;
            bias = adapt(delta, handled + 1, handled == basic);
            delta = 0;
            ++handled;
        }
        ++delta;
        ++n;
    }
    return length;
}

// The code points a label's Punycode (without "xn--") stands for; nothing for what no encoder writes.
std::optional<QList<uint>> punycodeDecoded(const QString& code)
{
    const qsizetype dash = code.lastIndexOf(QLatin1Char('-'));
    QList<uint> out;
    for (qsizetype i = 0; i < dash; ++i)
        out.append(code.at(i).unicode());
    quint64 n = 0x80, i = 0;
    uint bias = 72;
    for (qsizetype at = dash + 1; at < code.size();) {
        const quint64 before = i;
        quint64 w = 1;
        for (uint k = Base;; k += Base) {
            if (at >= code.size())
                return std::nullopt;
            const char16_t c = code.at(at++).toLower().unicode();
            const uint digit = c >= 'a' && c <= 'z' ? c - 'a' : c >= '0' && c <= '9' ? c - '0' + 26 : Base;
            if (digit >= Base || w > 0x10FFFF * quint64(Base))
                return std::nullopt;
            i += digit * w;
            const uint t = threshold(k, bias);
            if (digit < t)
                break;
            w *= Base - t;
        }
        bias = adapt(uint(qMin<quint64>(i - before, 0xFFFFFFF)), out.size() + 1, before == 0);
        n += i / quint64(out.size() + 1);
        i %= quint64(out.size() + 1);
        if (n > 0x10FFFF)
            return std::nullopt;
        out.insert(qsizetype(i++), uint(n));
    }
    return out;
}

bool isAscii(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}
} // namespace

bool isAllowed(char32_t c)
{
    // Line breaks and tabs come with a pasted list; they separate names as blanks do.
    if (c == '\r' || c == '\n' || c == '\t')
        return true;
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == ' ' ||
               c == ';' || c == ',' || c == '.';
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
    if (isAscii(name)) {
        // Neither lower case nor composition changes the length of ASCII text.
        qsizetype label = 0;
        for (const QChar c : name) {
            label = c == QLatin1Char('.') ? 0 : label + 1;
            if (label > MaxAsciiLabel)
                return true;
        }
        return name.size() > MaxAsciiName;
    }
    QString dotted = name.toLower();
    for (const char16_t dot : {IdeographicFullStop, FullwidthFullStop, HalfwidthIdeographicFullStop})
        dotted.replace(QChar(dot), QLatin1Char('.'));
    const QStringList labels = dotted.normalized(QString::NormalizationForm_C).split(QLatin1Char('.'));
    qsizetype total = labels.size() - 1;
    for (const QString& label : labels) {
        const qsizetype length = isAscii(label) ? label.size() : 4 + punycodeLength(label.toUcs4());
        if (length > MaxAsciiLabel)
            return true;
        total += length;
    }
    return total > MaxAsciiName;
}

bool isALabel(const QString& label)
{
    if (!label.startsWith(QLatin1String("xn--"), Qt::CaseInsensitive))
        return false;
    const std::optional<QList<uint>> decoded = punycodeDecoded(label.mid(4));
    if (!decoded || std::all_of(decoded->cbegin(), decoded->cend(), [](uint c) { return c < 0x80; }))
        return false;
    const QString unicode = QString::fromUcs4(reinterpret_cast<const char32_t*>(decoded->constData()), decoded->size());
    return QString::fromLatin1(QUrl::toAce(unicode)).compare(label, Qt::CaseInsensitive) == 0;
}

std::optional<QString> unregistrable(const QString& ascii)
{
    for (const QStringView label : QStringView(ascii).tokenize(u'.')) {
        if (label.isEmpty())
            return QStringLiteral("a part between two dots is empty.");
        if (label.startsWith(u'-') || label.endsWith(u'-'))
            return QStringLiteral("a part between two dots begins or ends with a hyphen.");
        if (label.size() >= 4 && label.at(2) == u'-' && label.at(3) == u'-' && !isALabel(label.toString()))
            return label.startsWith(QLatin1String("xn--"), Qt::CaseInsensitive)
                       ? QStringLiteral("%1 is not the xn-- form of any name.").arg(label)
                       : QStringLiteral("only the xn-- form of a name in another script may have hyphens in its "
                                        "third and fourth places.");
    }
    return std::nullopt;
}

QString normalize(const QString& text)
{
    // Blanks and the separators between names become one blank between two names; every other character was
    // checked before. Most texts need none of it.
    const auto separates = [](QChar c) {
        const char16_t u = c.unicode();
        return u == u' ' || u == u'\r' || u == u'\n' || u == u'\t' || u == IdeographicSpace || u == u';' || u == u',';
    };
    bool asIs = !text.isEmpty() && !separates(text.front()) && !separates(text.back());
    for (qsizetype i = 1; asIs && i < text.size(); ++i)
        asIs = !separates(text.at(i)) || (text.at(i) == QLatin1Char(' ') && !separates(text.at(i - 1)));
    if (asIs)
        return text;
    QString t;
    t.reserve(text.size());
    bool blank = false;
    for (const QChar c : text) {
        if (separates(c)) {
            blank = !t.isEmpty();
            continue;
        }
        if (blank)
            t += QLatin1Char(' ');
        blank = false;
        t += c;
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
        result.refusedName = name;
    return result;
}

// A name that has its ASCII form, and what a registry would say to it.
std::optional<Result> refusedByRegistries(const QString& typed, const QString& ascii)
{
    const bool tooLong = tooLongForDomain(ascii);
    const std::optional<QString> reason = tooLong ? std::nullopt : unregistrable(ascii);
    if (!tooLong && !reason)
        return std::nullopt;
    Result result;
    result.refusedName = typed;
    result.verdict = tooLong ? Verdict::TooLong : Verdict::Unregistrable;
    result.reason = reason.value_or(QString());
    return result;
}

bool isDot(QChar c)
{
    return c == QLatin1Char('.') || c == IdeographicFullStop || c == FullwidthFullStop ||
           c == HalfwidthIdeographicFullStop;
}
} // namespace

Result build(const QString& text, bool combinations, int capacity, bool dashes)
{
    Result result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text.at(++i).unicode());
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
    QStringList typed =
        normalized.contains(QLatin1Char(' ')) ? normalized.split(QLatin1Char(' ')) : QStringList{normalized};
    QStringList ascii;
    for (const QString& name : typed) {
        ascii.append(asciiForm(name));
        if (ascii.constLast().isEmpty())
            return refused(name);
    }
    // Complete names are told by their dot, which a name in its own script may only get from its conversion.
    const bool complete =
        std::any_of(ascii.cbegin(), ascii.cend(), [](const QString& n) { return n.contains(QLatin1Char('.')); });
    if (complete) {
        // A complete name may end in the dot of the root, which is no part of what is registered.
        for (qsizetype i = 0; i < typed.size(); ++i) {
            if (ascii.at(i).endsWith(QLatin1Char('.')) && isDot(typed.at(i).back())) {
                ascii[i].chop(1);
                typed[i].chop(1);
            }
        }
    }
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
    for (qsizetype i = 0; i < result.names.size(); ++i) {
        if (std::optional<Result> refusal = refusedByRegistries(result.typed.at(i), result.names.at(i)))
            return *refusal;
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
           QStringLiteral("A domain name can have at most 63 characters between two dots and 253 in all, counted in "
                          "its ASCII form (the xn-- form that names in other scripts are sent in).");
}

QString unregistrableText(const QString& name, const QString& reason)
{
    return QStringLiteral("The name %1 cannot be registered: %2").arg(name, reason);
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
