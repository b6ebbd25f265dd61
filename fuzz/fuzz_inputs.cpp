// Every way bytes from outside come into the program, one door per input: the first byte picks it. A property
// that does not hold stops the run loudly, and libFuzzer keeps the input.
#include "core/Candidates.h"
#include "core/FileOps.h"
#include "core/Utils.h"
#include "dns/DNS.h"
#include "dns/QueryIds.h"
#include "whois/Rdap.h"
#include "whois/RdapBootstrap.h"
#include "whois/RdapDomain.h"
#include "whois/ReplyDecoder.h"
#include "whois/Whois.h"
#include "whois/WhoisLines.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

namespace {

long runs[5] = {};

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
        require(base.isEmpty() || Rdap::isUsableUrl(QUrl(base), false), "an unusable service address");
    }
    const Rdap::Verdict verdict = Rdap::classifyAnswer(200, bytes, false);
    if (const auto details = RdapDomain::parse(bytes)) {
        require(verdict == Rdap::Verdict::Taken, "details of an answer that is no domain");
        require(details->link.isEmpty() || details->link.scheme().startsWith(QLatin1String("http")),
                "a link that is no web page");
        RdapDomain::report(*details, QStringLiteral("name.com"), QDateTime::currentDateTimeUtc(), QLocale::c());
    }
    Rdap::retryAfterSeconds(bytes.left(40), QDateTime::currentDateTimeUtc(), 2, 60);
}

// Any datagram off the network, against a small run whose names share letters, a prefix and a case-folded twin.
void dnsReply(const QByteArray& d)
{
    static const QueryIds ids{2, 2, 1};
    static const QStringList names{"alpha.com", "alpha.co", "alph.acom", "ALPHA.com", "q7zv0k3x.com"};
    static QList<QByteArray> queries;
    for (int id = int(queries.size()) + 1; id <= ids.total(); ++id) {
        const QueryIds::Slot s = ids.slotOf(id).value();
        const int back = s.canary < 0 ? ids.ofCell(s.column, s.row) : ids.ofCanary(s.canary);
        require(back == id && ids.idAt(ids.stepOf(id)) == id, "an identifier does not come back");
        queries.append(DNS::BuildQuery(names[id - 1], qint16(id)));
    }
    const auto info = DNS::ParseReply(d);
    require(info.has_value() == (d.size() >= 4), "a datagram read or refused by its size wrongly");
    const int own = info ? info->id - 1 : -1; // the query its identifier names
    require(!info || ids.slotOf(info->id).has_value() == (own >= 0 && own < ids.total()), "a slot outside the run");
    if (own < 0 || own >= ids.total() || d.size() < 6 || (d[4] == 0 && d[5] == 0))
        return;
    const bool ownAccepted = DNS::AnswersQuery(d, *info, queries[own]);
    for (qsizetype i = 0; i < queries.size(); ++i) {
        if (!DNS::AnswersQuery(d, *info, queries[i]))
            continue;
        // Type and class hold no letters: folding case still compares them exactly.
        require(d.mid(12, queries[i].size() - 12).toLower() == queries[i].mid(12).toLower(), "the question not echoed");
        require(!ownAccepted || names[i].compare(names[own], Qt::CaseInsensitive) == 0, "it passes for another name");
    }
}

// Text typed into the name box, as single names or combinations.
void candidates(const QByteArray& bytes)
{
    const auto result = Candidates::build(QString::fromUtf8(bytes.mid(1)), !bytes.isEmpty() && bytes[0] & 1, 2049);
    require(result.verdict != Candidates::Verdict::Accepted || result.names.size() == result.typed.size(),
            "names and typed forms differ in number");
    for (const QString& n : result.names)
        require(!n.isEmpty() && std::all_of(n.cbegin(), n.cend(), [](QChar c) { return c > u' ' && c < u'\x80'; }),
                "an empty, blank or non-ASCII name");
    for (const QString& n : result.names)
        require(!Candidates::unregistrable(n) && !Candidates::tooLongForDomain(n), "a name no registry takes");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    std::atexit([] { // how often each door was taken
        std::fprintf(stderr, "runs per door: %ld %ld %ld %ld %ld\n", runs[0], runs[1], runs[2], runs[3], runs[4]);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // Not copied: a read past the input lands outside libFuzzer's buffer, where the sanitizer sees it.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    void (*const doors[])(const QByteArray&) = {dataFile, whoisReply, rdap, dnsReply, candidates};
    ++runs[data[0] % 5];
    doors[data[0] % 5](bytes);
    return 0;
}
