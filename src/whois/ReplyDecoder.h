#pragma once

#include <QByteArray>
#include <QString>

// Turns the bytes of a WHOIS reply into text as they arrive. Servers answer in whatever encoding their
// registry uses: every well-formed UTF-8 sequence becomes its character, every other byte is taken as Latin-1.
// A sequence cut between two pieces is completed by the next piece.
class ReplyDecoder final
{
public:
    QString decode(const QByteArray& bytes);
    // End of the reply: an incomplete sequence left over is taken as Latin-1.
    QString flush();
    void reset() { m_pending.clear(); }

private:
    QByteArray m_pending;
};
