#pragma once

#include "check/Check.h"
#include "core/WatchList.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class RdapClient;
class WhoisClient;
struct RdapOutcome;
struct WhoisOutcome;

// One check of watched names: the name server asked about all of them at once, as a Check of complete names asks
// it, then each name's registry, one name at a time and spread out: its RDAP service where the directory names
// one, WHOIS where it does not. The registry has the last word on a name the DNS no longer knows: a name on hold
// or about to be deleted is out of the DNS, yet not free. Driven by events; what it saw is reported as values.
class WatchCheck final : public QObject
{
    Q_OBJECT

public:
    struct Io
    {
        Check::Io check;
        std::function<QDateTime()> now; // empty: the system's clock
        int spacingMs = 1000;           // between two names' registry questions
    };

    // A check of these entries: their names complete, each with its registry, asked as the settings say at the
    // name server's port. Every front end builds its inputs here.
    static Check::Inputs inputsFor(const QList<WatchEntry>& entries, const Utils::Settings& settings, quint16 port,
                                   const Rdap::Policy& rdap);

    // The inputs of a Check of complete names; a watch check confirms by itself, whatever they say.
    WatchCheck(const Check::Inputs& inputs, const Io& io, QObject* parent = nullptr);
    ~WatchCheck() override;

    void start();
    // Stops now; nothing more is reported.
    void cancel();

    QDateTime now() const;
    int count() const { return int(m_seen.size()); }
    // What was seen of the name in row `index` (from 0); NotChecked until it was.
    const WatchSighting& sighting(int index) const { return m_seen.at(index); }
    // What this check of `checked` (the entries it was built for) saw, worked into the list as it stands, under its
    // lock (Watch::merge). When the list cannot be changed, against the entries as they were checked, and
    // `failure` says why.
    QList<Watch::Outcome> record(WatchList& list, const QList<WatchEntry>& checked,
                                 std::optional<QString>* failure) const;

Q_SIGNALS:
    void seen(int index);
    // Something the user should know of the name server's answers.
    void note(const QString& text);
    // The name server could not be asked: every name stays not checked; finished() follows.
    void failed(const QString& text);
    void finished();

private:
    void onDnsDone();
    void askNext();
    void onRdap(const RdapOutcome& outcome);
    void onWhois(const WhoisOutcome& outcome);
    // The registry said nothing usable: the DNS's word stands where it said taken.
    void unanswered(const QString& why);
    void done(const WatchSighting& sighting);
    void finish();

    const Io m_io;
    std::unique_ptr<Check> m_check;
    QList<WatchSighting> m_seen;
    QList<quint8> m_dns; // the name server's answer per name
    int m_asking = -1;
    bool m_running = false;
    RdapClient* m_rdap = nullptr;
    WhoisClient* m_whois = nullptr;
    QTimer m_spacing;
};
