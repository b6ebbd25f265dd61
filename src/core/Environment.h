#pragma once

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

class DnsTransport;
class TickSource;

// What the program takes from its surroundings and a test aims elsewhere: the run's timer and socket, ports, time
// limits, a clock, folders and files, the address of the RDAP directory. The program runs with the values as they
// stand here; a test sets a field, and one assignment puts every one back.
struct Environment
{
    // Makers of a run's ticks and socket; empty: Delaytimer's kind of timer and a UDP socket.
    std::function<std::unique_ptr<TickSource>()> tickSource;
    std::function<std::unique_ptr<DnsTransport>()> transport;
    quint16 nameServerPort = 53;
    // The confirmation's WHOIS port and the time limits of its questions in milliseconds; 0: the client's own.
    quint16 whoisPort = 0;
    int connectMs = 0;
    int exchangeMs = 0;
    // Milliseconds on a monotonic clock, for the pace of RDAP requests; empty: the system's.
    std::function<qint64()> clock;
    // When this program run last attempted to fetch the RDAP directory: a state file that cannot be written must
    // not bring another attempt within the week.
    QDateTime rdapLastAttempt;
    // Plain HTTP is refused everywhere unless a test turns this on for its loopback server.
    bool plainHttpAllowed = false;
    // Where the RDAP directory is fetched from; empty turns fetching off.
    QString bootstrapUrl = QStringLiteral("https://data.iana.org/rdap/dns.json");
    // Empty: the per-user default, or the folder of the program.
    QString dataFolder;
    QString settingsFile;
    QString programFolder;
    QString resolvConfPath = QStringLiteral("/etc/resolv.conf");

    static Environment& current();
    // The clock's milliseconds.
    qint64 monotonicMs() const;
};
