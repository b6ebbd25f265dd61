// WHOIS replies as servers send them: bytes cut anywhere into pieces, decoded, split into lines, and read for
// the markers of an unregistered name.
#include "FuzzSupport.h"

#include "whois/ReplyDecoder.h"
#include "whois/Whois.h"
#include "whois/WhoisLines.h"

namespace {
QString withoutCr(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte sets the piece size.
    Fuzz::Reader in(data, size);
    const int pieceSize = 1 + in.byte() % 16;
    const QByteArray reply = in.rest();

    ReplyDecoder whole;
    const QString expected = whole.decode(reply) + whole.flush();
    ReplyDecoder pieces;
    QString text;
    for (qsizetype at = 0; at < reply.size(); at += pieceSize) {
        const QString piece = pieces.decode(reply.mid(at, pieceSize));
        const QStringList lines = Whois::splitReplyPiece(piece);
        Fuzz::require(withoutCr(lines.join(QString())) == withoutCr(piece), "lines differ from their piece");
        text += piece;
    }
    text += pieces.flush();
    Fuzz::require(text == expected, "a reply decodes differently when cut into pieces");
    // No byte is lost and none invented: at most one character per byte.
    Fuzz::require(text.size() <= reply.size(), "more characters than bytes");
    Whois::CheckWhoisBuffer(text);
    return 0;
}
