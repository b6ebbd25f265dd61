// Every way bytes from outside come into the program, one door per input: the first byte picks it. A property
// that does not hold stops the run loudly, and libFuzzer keeps the input.
#include "core/Candidates.h"
#include "core/FileOps.h"
#include "core/Utils.h"
#include "dns/CheckRun.h"
#include "dns/DNS.h"
#include "dns/RunPlan.h"
#include "support/ManualTickSource.h"
#include "support/ScriptedTransport.h"
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
    for (int i = Utils::TldCount; i < Utils::DomainTableSize; ++i)
        require(Utils::DomainTable[size_t(i)].Tld.isEmpty(), "a slot behind the records is filled");
}

// Typed names into the name list, and each accepted name into its query.
void typedNames(const QByteArray& bytes)
{
    const QString typed = QString::fromUtf8(bytes.mid(1));
    const Candidates::Result result = Candidates::build(typed, !bytes.isEmpty() && (bytes[0] & 1), 2049);
    const QList<uint> codes = typed.toUcs4();
    const bool allowed = std::all_of(codes.begin(), codes.end(), [](uint c) { return Candidates::isAllowed(c); });
    require(allowed || result.verdict == Candidates::Verdict::IllegalCharacter, "illegal characters let through");
    require(result.verdict == Candidates::Verdict::Accepted || result.names.isEmpty(), "names from a refused input");
    for (const QString& name : result.names) {
        require(!name.isEmpty() && !name.contains(' ') && !name.contains(';') && !name.contains(','), "a bad name");
        require(!result.bareNames || !name.contains('.'), "a bare name with a dot");
        require(std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() < 0x80; }), "not ASCII");
        if (!DNS::OverlongLabel(name))
            require(DNS::BuildQuery(name, 2047).size() == 16 + name.size() + 2, "query length");
    }
}

// Datagrams into a run: from the server or not, answering a candidate or not, with ticks between them. Only a name
// error from the server makes a cell free, and every cell ends answered or not checked.
void replies(const QByteArray& bytes)
{
    const RunPlan plan = RunPlan::make({"ab.com", "cd.com", "ef.net"}, false, false);
    CheckResultTable table;
    plan.fill(table);
    auto ticks = std::make_unique<ManualTickSource>();
    auto transport = std::make_unique<ScriptedTransport>();
    ManualTickSource* tick = ticks.get();
    ScriptedTransport* socket = transport.get();
    CheckRun run(table, plan.setup({"127.0.0.1", 5, 2, false, false, false}), std::move(ticks), std::move(transport));
    run.start();
    QSet<int> nameErrors;
    for (qsizetype at = 0; at + 2 <= bytes.size();) {
        const quint8 flags = quint8(bytes[at]), length = quint8(bytes[at + 1]);
        QByteArray datagram = bytes.mid(at + 2, length % 64);
        at += 2 + datagram.size();
        if (flags & 8) { // a reply to a real query, the flags' high bits its code
            const CheckResult& cell = table(1, length % 3 + 1);
            datagram = DNS::BuildQuery(cell.domain, cell.queryId) + datagram.left(2);
            datagram[2] = char(0x81);
            datagram[3] = char(0x80 | (flags >> 4));
        }
        if (flags & 4)
            tick->fire();
        if (!(flags & 3) && datagram.size() >= 4 && (quint8(datagram[3]) & 0x1F) == 3)
            nameErrors.insert(quint8(datagram[0]) * 256 + quint8(datagram[1]));
        Q_EMIT socket->datagramReceived(datagram, QHostAddress(flags & 1 ? "127.0.0.2" : "127.0.0.1"),
                                        flags & 2 ? 54 : 53);
    }
    for (int i = 0; i < 200 && run.inProgress(); ++i)
        tick->fire();
    require(run.state() == CheckRun::State::Completed && run.repliesReceived() <= 3, "the run's end");
    for (int r = 1; r <= 3; ++r) {
        require(table(1, r).status != Pending, "a cell left pending");
        require(table(1, r).status != Free || nameErrors.contains(table(1, r).queryId), "free without a name error");
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
    void (*const doors[])(const QByteArray&) = {dataFile, typedNames, replies, whoisReply, rdap};
    doors[data[0] % 5](bytes);
    return 0;
}
