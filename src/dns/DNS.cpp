#include "dns/DNS.h"

#include <QStringList>

namespace DNS {

namespace {
constexpr int HeaderSize = 12;

quint8 byteAt(const QByteArray& bytes, int index)
{
    return quint8(bytes.at(index));
}

char foldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}
} // namespace

QByteArray EncodeName(const QString& name)
{
    // Every dot ends a label, so empty parts become zero-length labels; no 63/255 limits here.
    const QByteArray text = name.toLatin1() + '.';
    QByteArray out;
    out.reserve(text.size() + 1);
    qsizetype start = 0;
    for (qsizetype dot = text.indexOf('.'); dot >= 0; dot = text.indexOf('.', start)) {
        out.append(char(quint8(dot - start)));
        out.append(text.constData() + start, dot - start);
        start = dot + 1;
    }
    out.append('\0');
    return out;
}

QByteArray BuildQuery(const QString& name, qint16 id)
{
    QByteArray out;
    out.append(char(quint8(id / 256)));
    out.append(char(quint8(id % 256)));
    out.append("\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00", 10);
    out.append(EncodeName(name));
    out.append("\x00\xFF\x00\xFF", 4);
    return out;
}

std::optional<ReplyInfo> ParseReply(const QByteArray& datagram)
{
    if (datagram.size() < 4)
        return std::nullopt;
    ReplyInfo info;
    info.id = byteAt(datagram, 0) * 256 + byteAt(datagram, 1);
    info.exists = (byteAt(datagram, 3) & 0x1F) != 3;
    info.rcode = byteAt(datagram, 3) & 0x0F;
    info.qr = (byteAt(datagram, 2) & 0x80) != 0;
    return info;
}

bool IsRefusal(quint8 rcode)
{
    return rcode == 1 || rcode == 2 || rcode == 4 || rcode == 5;
}

bool AnswersQuery(const QByteArray& datagram, const ReplyInfo& info, const QByteArray& query)
{
    if (!info.qr || datagram.size() < HeaderSize || query.size() <= HeaderSize)
        return false;
    const int questions = byteAt(datagram, 4) * 256 + byteAt(datagram, 5);
    if (questions == 0)
        return IsRefusal(info.rcode);
    if (questions != 1 || datagram.size() < query.size())
        return false;
    // The query's question, label by label: lengths exactly, letters regardless of case, then type and class.
    qsizetype pos = HeaderSize;
    for (int length = 1; length > 0; pos += length + 1) {
        length = quint8(query.at(pos));
        if (byteAt(datagram, int(pos)) != length)
            return false;
        for (qsizetype i = pos + 1; i <= pos + length; ++i) {
            if (foldCase(datagram.at(i)) != foldCase(query.at(i)))
                return false;
        }
    }
    return pos + 4 == query.size() && std::equal(query.cbegin() + pos, query.cend(), datagram.cbegin() + pos);
}

QString SuffixOf(const QString& domain)
{
    const qsizetype dot = domain.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : domain.mid(dot + 1);
}

} // namespace DNS
