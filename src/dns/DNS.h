#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// DNS datagrams of a checking run: the query of one candidate and the few facts read from a reply.
namespace DNS {

// The local port a run binds when the system allows it; otherwise any free port.
constexpr quint16 LocalPort = 1000;
// Identifiers run from 1 to this; more candidates are refused before a run starts.
constexpr int MaxCandidates = 2047;

struct ReplyInfo
{
    int id = 0;         // byte 0 x 256 + byte 1
    bool exists = true; // false exactly when the low five bits of byte 3 are 3 (name error)
    quint8 rcode = 0;   // low four bits of byte 3
    bool qr = false;    // the reply bit of byte 2
};

QByteArray BuildQuery(const QString& name, qint16 id);
// No result for a datagram shorter than 4 bytes.
std::optional<ReplyInfo> ParseReply(const QByteArray& datagram);

// Format error, server failure, not implemented and refused say nothing about the name.
bool IsRefusal(quint8 rcode);
// Whether a reply belongs to this query: it is a response, and its one question is the query's (letter case
// aside). A refusal may come without a question. info is what ParseReply read of the datagram.
bool AnswersQuery(const QByteArray& datagram, const ReplyInfo& info, const QByteArray& query);
// What a domain is asked under: everything after its first label; empty for a single label.
QString SuffixOf(const QString& domain);

} // namespace DNS
