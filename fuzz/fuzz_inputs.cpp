// Every way bytes from outside come into the program, one door per input: the first byte picks it. A property
// that does not hold stops the run loudly, and libFuzzer keeps the input.
#include "core/FileOps.h"
#include "core/Utils.h"
#include "whois/Rdap.h"
#include "whois/RdapBootstrap.h"
#include "whois/ReplyDecoder.h"
#include "whois/Whois.h"
#include "whois/WhoisLines.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

// A data file as it might lie beside the program.
void dataFile(const QByteArray& bytes)
{
    const QString latin = QString::fromLatin1(bytes);
    require(FileOps::UnscrambleLine(FileOps::UnscrambleLine(latin)) == latin, "scrambling twice changes the text");
    Utils::ParseDomainTable(bytes);
    require(Utils::TldCount >= 0 && Utils::TldCount <= Utils::DomainTableSize, "record count out of the table");
    for (int i = 0; i < Utils::TldCount; ++i) {
        const Utils::TldRecord& r = Utils::DomainTable[size_t(i)];
        require(!r.Tld.contains('\r') && !r.WhoisServer.contains('\r'), "a record spans two lines");
        const qint16 found = Utils::FindTld(QStringLiteral("name.") + r.Tld);
        if (!r.Tld.contains('.'))
            require(found == 0 || Utils::DomainTable[size_t(found)].Tld == r.Tld, "FindTld found another label");
    }
}

// A WHOIS reply cut anywhere into pieces: decoded and split line by line as it comes.
void whoisReply(const QByteArray& bytes)
{
    const int pieceSize = 1 + (bytes.isEmpty() ? 0 : quint8(bytes[0]) % 16);
    const QByteArray reply = bytes.mid(1);
    ReplyDecoder whole, pieces;
    const QString expected = whole.decode(reply) + whole.flush();
    QString text;
    for (qsizetype at = 0; at < reply.size(); at += pieceSize) {
        const QString piece = pieces.decode(reply.mid(at, pieceSize));
        QString joined = Whois::splitReplyPiece(piece).join(QString());
        require(joined.replace("\r\n", "\n") == QString(piece).replace("\r\n", "\n"), "lines differ from the piece");
        text += piece;
    }
    text += pieces.flush();
    require(text == expected && text.size() <= reply.size(), "a reply decodes differently in pieces");
    Whois::CheckWhoisBuffer(text);
}

// The directory of RDAP services and the answers of a service.
void rdap(const QByteArray& bytes)
{
    if (const auto bootstrap = RdapBootstrap::parse(bytes)) {
        const QString base = bootstrap->serviceFor(QStringLiteral("name.co.uk"));
        require(base.isEmpty() || Rdap::isUsableUrl(QUrl(base)), "an unusable service address");
    }
    Rdap::classifyAnswer(200, bytes, false);
    Rdap::retryAfterSeconds(bytes.left(40), QDateTime::currentDateTimeUtc(), 2, 60);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    void (*const doors[])(const QByteArray&) = {dataFile, whoisReply, rdap};
    doors[data[0] % 3](bytes);
    return 0;
}
