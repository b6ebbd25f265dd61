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

// A name's labels after what `out` holds, each character as QString::toLatin1 gives it ("?" where Latin-1 has
// none): every dot ends a label, so empty parts become zero-length labels; no 63/255 limits here.
void appendName(QByteArray& out, const QString& name)
{
    qsizetype at = out.size();
    out.resize(at + name.size() + 2); // a length before each label, the root's zero after the last
    char* const bytes = out.data();
    qsizetype lengthAt = at++;
    for (const QChar c : name) {
        if (c == QLatin1Char('.')) {
            bytes[lengthAt] = char(quint8(at - lengthAt - 1));
            lengthAt = at++;
        } else {
            bytes[at++] = c.unicode() < 0x100 ? char(c.unicode()) : '?';
        }
    }
    bytes[lengthAt] = char(quint8(at - lengthAt - 1));
    bytes[at] = '\0';
}
} // namespace

QByteArray BuildQuery(const QString& name, qint16 id)
{
    QByteArray out;
    out.reserve(HeaderSize + name.size() + 2 + 4); // a question sent one a tick, so made in one piece
    out.append(char(quint8(id / 256)));
    out.append(char(quint8(id % 256)));
    out.append("\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00", 10);
    appendName(out, name);
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
