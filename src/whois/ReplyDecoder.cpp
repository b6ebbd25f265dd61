#include "whois/ReplyDecoder.h"

namespace {

// Length of the sequence a lead byte announces, 0 for a byte that cannot start one.
int sequenceLength(uchar lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Allowed range of the byte after the lead; it rules out overlong forms, surrogates and values above U+10FFFF.
bool secondByteFits(uchar lead, uchar second)
{
    switch (lead) {
    case 0xE0:
        return second >= 0xA0 && second <= 0xBF;
    case 0xED:
        return second >= 0x80 && second <= 0x9F;
    case 0xF0:
        return second >= 0x90 && second <= 0xBF;
    case 0xF4:
        return second >= 0x80 && second <= 0x8F;
    default:
        return second >= 0x80 && second <= 0xBF;
    }
}

void appendCodePoint(QString& out, char32_t code)
{
    if (code < 0x10000) {
        out.append(QChar(char16_t(code)));
    } else {
        out.append(QChar(QChar::highSurrogate(code)));
        out.append(QChar(QChar::lowSurrogate(code)));
    }
}

enum class Check { Complete, Incomplete, Invalid };

// Whether the bytes from i on start with a well-formed sequence of length len.
Check checkSequence(const QByteArray& bytes, qsizetype i, int len)
{
    const auto lead = uchar(bytes.at(i));
    for (int k = 1; k < len; ++k) {
        if (i + k >= bytes.size())
            return Check::Incomplete;
        const auto b = uchar(bytes.at(i + k));
        const bool fits = k == 1 ? secondByteFits(lead, b) : (b >= 0x80 && b <= 0xBF);
        if (!fits)
            return Check::Invalid;
    }
    return Check::Complete;
}

} // namespace

QString ReplyDecoder::decode(const QByteArray& bytes)
{
    const QByteArray data = m_pending.isEmpty() ? bytes : m_pending + bytes;
    m_pending.clear();
    QString out;
    out.reserve(data.size());
    qsizetype i = 0;
    const qsizetype n = data.size();
    while (i < n) {
        const auto lead = uchar(data.at(i));
        const int len = sequenceLength(lead);
        if (len == 1) {
            out.append(QChar(char16_t(lead)));
            ++i;
            continue;
        }
        const Check check = len == 0 ? Check::Invalid : checkSequence(data, i, len);
        if (check == Check::Incomplete) {
            m_pending = data.mid(i);
            break;
        }
        if (check == Check::Invalid) {
            out.append(QChar(char16_t(lead)));
            ++i;
            continue;
        }
        char32_t code = lead & (0xFF >> (len + 1));
        for (int k = 1; k < len; ++k)
            code = (code << 6) | (uchar(data.at(i + k)) & 0x3F);
        appendCodePoint(out, code);
        i += len;
    }
    return out;
}

QString ReplyDecoder::flush()
{
    const QString rest = QString::fromLatin1(m_pending);
    m_pending.clear();
    return rest;
}
