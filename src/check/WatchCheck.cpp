#include "check/WatchCheck.h"

#include "check/ResultsText.h"
#include "whois/RdapClient.h"
#include "whois/RdapDomain.h"
#include "whois/WhoisClient.h"

#include <QPointer>
#include <QTimeZone>
#include <QUrl>

namespace {
Check::Inputs unconfirmed(Check::Inputs inputs)
{
    inputs.confirm = false;
    return inputs;
}
} // namespace

Check::Inputs WatchCheck::inputsFor(const QList<WatchEntry>& entries, const Utils::Settings& settings, quint16 port,
                                    const Rdap::Policy& rdap)
{
    Candidates::Result names;
    names.verdict = Candidates::Verdict::Accepted;
    names.bareNames = false;
    for (const WatchEntry& entry : entries)
        names.names.append(entry.ascii);
    return Check::Inputs::ofProgram(names, {}, false, settings, port, rdap);
}

WatchCheck::WatchCheck(const Check::Inputs& inputs, const Io& io, QObject* parent)
    : QObject(parent), m_io(io), m_check(std::make_unique<Check>(unconfirmed(inputs), io.check))
{
    m_seen.resize(m_check->plan().rows());
    m_spacing.setSingleShot(true);
    m_spacing.setInterval(qMax(0, io.spacingMs));
    connect(&m_spacing, &QTimer::timeout, this, &WatchCheck::askNext);
    m_rdap = new RdapClient(io.check.rdap, this);
    connect(m_rdap, &RdapClient::finished, this, &WatchCheck::onRdap);
    m_whois = new WhoisClient(this);
    m_whois->apply(io.check.whois);
    m_whois->setDelivery(WhoisClient::Delivery::WholeReply);
    connect(m_whois, &WhoisClient::finished, this, &WatchCheck::onWhois);
    connect(m_check.get(), &Check::note, this, &WatchCheck::note);
    connect(m_check.get(), &Check::failed, this, [this](Check::Failure failure, const QString& text) {
        if (failure == Check::Failure::Socket)
            return;
        // Nothing more will be answered: every name stays not checked.
        const QPointer<WatchCheck> self(this);
        Q_EMIT failed(text);
        if (!self)
            return;
        m_check->cancel();
        for (WatchSighting& sighting : m_seen)
            sighting.why = text;
        finish();
    });
    connect(m_check.get(), &Check::finished, this, &WatchCheck::onDnsDone);
}

WatchCheck::~WatchCheck()
{
    cancel();
}

QDateTime WatchCheck::now() const
{
    return m_io.now ? m_io.now() : QDateTime::currentDateTime();
}

void WatchCheck::start()
{
    if (m_running)
        return;
    m_running = true;
    m_check->start();
}

void WatchCheck::cancel()
{
    m_running = false;
    m_spacing.stop();
    m_check->cancel();
    m_rdap->cancel();
    m_whois->disconnectFromServer();
}

QList<Watch::Outcome> WatchCheck::record(WatchList& list, const QList<WatchEntry>& checked,
                                         std::optional<QString>* failure) const
{
    const QDateTime at = now();
    const auto seen = [this](int i) -> const WatchSighting& {
        return sighting(i);
    };
    QList<Watch::Outcome> outcomes;
    *failure = list.update([&](QList<WatchEntry>& entries) {
        outcomes = Watch::merge(&entries, checked, seen, at);
        return true;
    });
    if (*failure)
        outcomes = Watch::merge(nullptr, checked, seen, at);
    return outcomes;
}

void WatchCheck::onDnsDone()
{
    const CheckResultTable& table = m_check->CheckResults();
    for (int row = 1; row <= table.rowCount(); ++row) {
        m_dns.append(table(1, row).status);
        if (table(1, row).status == NotChecked)
            m_seen[row - 1].why = ResultsText::reasonText(table(1, row));
    }
    askNext();
}

void WatchCheck::askNext()
{
    if (!m_running)
        return;
    // Names the name server did not answer are left as they were; the others go to their registry in turn.
    while (++m_asking < count() && m_dns.at(m_asking) != Free && m_dns.at(m_asking) != Taken) {
        const QPointer<WatchCheck> self(this);
        Q_EMIT seen(m_asking);
        if (!self || !m_running)
            return;
    }
    if (m_asking >= count())
        return finish();
    const RunPlan& plan = m_check->plan();
    const Utils::Registry& registry = plan.registry(1, m_asking + 1);
    const QString domain = plan.domain(1, m_asking + 1);
    if (!registry.rdapService.isEmpty()) {
        m_rdap->lookup(registry.rdapService, domain);
        return;
    }
    m_whois->setServer(registry.whoisServer);
    m_whois->setQuery(domain);
    if (m_whois->connectToServer() != WhoisClient::NoError)
        unanswered(QStringLiteral("the WHOIS server %1 could not be asked").arg(registry.whoisServer));
}

void WatchCheck::onRdap(const RdapOutcome& outcome)
{
    const QString host = QUrl(m_check->plan().registry(1, m_asking + 1).rdapService).host();
    const QString domain = m_check->plan().domain(1, m_asking + 1);
    WatchSighting sighting;
    if (outcome.verdict == Whois::Verdict::Free) {
        if (m_dns.at(m_asking) != Free)
            return unanswered(RdapDomain::failureLine(outcome, host, domain));
        sighting.state = WatchEntry::State::Free;
        return done(sighting);
    }
    const std::optional<RdapDomain::Details> details =
        outcome.verdict == Whois::Verdict::Taken ? RdapDomain::parse(outcome.body) : std::nullopt;
    if (!details)
        return unanswered(RdapDomain::failureLine(outcome, host, domain));
    sighting.state = WatchEntry::State::Taken;
    sighting.detailed = true;
    sighting.registrar = details->registrar;
    if (details->expires.when.isValid())
        sighting.expires = details->expires.when.toTimeZone(QTimeZone::utc()).date();
    sighting.registryStatus = details->status;
    done(sighting);
}

void WatchCheck::onWhois(const WhoisOutcome& outcome)
{
    const QString server = m_check->plan().registry(1, m_asking + 1).whoisServer;
    const QString domain = m_check->plan().domain(1, m_asking + 1);
    m_whois->disconnectFromServer();
    const Whois::Verdict verdict =
        outcome.status == WhoisOutcome::Reply ? Whois::readReply(outcome.text, domain) : Whois::Verdict::NotChecked;
    WatchSighting sighting;
    if (verdict == Whois::Verdict::Free && m_dns.at(m_asking) == Free) {
        sighting.state = WatchEntry::State::Free;
        return done(sighting);
    }
    if (verdict != Whois::Verdict::Taken)
        return unanswered(QStringLiteral("the WHOIS server %1 gave no usable answer").arg(server));
    const Whois::Registration registration = Whois::readRegistration(outcome.text);
    sighting.state = WatchEntry::State::Taken;
    sighting.detailed = true;
    sighting.registrar = registration.registrar;
    sighting.expires = registration.expires;
    sighting.registryStatus = registration.status;
    sighting.expiryLines = registration.expiryLines;
    done(sighting);
}

void WatchCheck::unanswered(const QString& why)
{
    WatchSighting sighting;
    sighting.why = why;
    // The name server's "exists" stands without the details; its "no such name" is not trusted alone.
    if (m_dns.at(m_asking) == Taken)
        sighting.state = WatchEntry::State::Taken;
    done(sighting);
}

void WatchCheck::done(const WatchSighting& sighting)
{
    m_seen[m_asking] = sighting;
    const QPointer<WatchCheck> self(this);
    Q_EMIT seen(m_asking);
    if (!self || !m_running)
        return;
    if (m_asking + 1 >= count())
        return finish();
    m_spacing.start();
}

void WatchCheck::finish()
{
    m_running = false;
    Q_EMIT finished();
}
