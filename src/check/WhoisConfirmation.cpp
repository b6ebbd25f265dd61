#include "check/WhoisConfirmation.h"

#include "check/RunPlan.h"
#include "whois/RdapClient.h"
#include "whois/WhoisClient.h"

#include <QPointer>
#include <QTimer>
#include <QUrl>

WhoisConfirmation::WhoisConfirmation(CheckResultTable& table, const RunPlan& plan, const WhoisClient::Setup& whois,
                                     const Rdap::Policy& rdapPolicy, QObject* parent)
    : QObject(parent), m_table(table), m_plan(plan), m_columns(qMin(plan.columns(), table.columnCount())),
      m_rows(qMin(plan.rows(), table.rowCount()))
{
    m_next = new QTimer(this);
    m_next->setSingleShot(true);
    m_next->setInterval(0);
    connect(m_next, &QTimer::timeout, this, &WhoisConfirmation::walk);

    Whois2 = new WhoisClient(this);
    Whois2->setObjectName(QStringLiteral("Whois2"));
    Whois2->apply(whois);
    Whois2->setDelivery(WhoisClient::Delivery::WholeReply);
    connect(Whois2, &WhoisClient::finished, this, &WhoisConfirmation::whoisFinished);
    rdap = new RdapClient(rdapPolicy, this);
    connect(rdap, &RdapClient::finished, this, &WhoisConfirmation::rdapFinished);
}

WhoisConfirmation::~WhoisConfirmation()
{
    cancel();
}

void WhoisConfirmation::start()
{
    if (m_state != State::Idle)
        return;
    m_state = State::Walking;
    m_next->start();
}

void WhoisConfirmation::cancel()
{
    m_state = State::Cancelled;
    m_next->stop();
    Whois2->disconnectFromServer();
    rdap->cancel();
}

QString WhoisConfirmation::failureNote() const
{
    if (m_unconfirmed == 0)
        return QString();
    return (m_unconfirmed == 1 ? QStringLiteral("1 free name could not be confirmed, so it shows as not checked.")
                               : QStringLiteral("%1 free names could not be confirmed, so they show as not checked.")
                                     .arg(m_unconfirmed)) +
           QLatin1Char('\r') + QStringLiteral("No usable answer came from: ") +
           m_silentServers.join(QStringLiteral(", "));
}

Whois::Verdict WhoisConfirmation::verdictOf(const WhoisOutcome& outcome)
{
    switch (outcome.status) {
    case WhoisOutcome::Reply:
        return Whois::CheckWhoisBuffer(outcome.text) ? Whois::Verdict::Free : Whois::Verdict::Taken;
    case WhoisOutcome::EmptyReply:
        return Whois::Verdict::Taken;
    case WhoisOutcome::Failure:
        break;
    }
    return Whois::Verdict::NotChecked;
}

void WhoisConfirmation::walk()
{
    const QPointer<WhoisConfirmation> self(this);
    while (m_state == State::Walking) {
        if (m_column > m_columns || m_rows <= 0) {
            m_state = State::Finished;
            Q_EMIT finished();
            return;
        }
        const int column = m_column;
        const int row = m_row;
        if (++m_row > m_rows) {
            m_row = 1;
            ++m_column;
        }
        if (m_table(column, row).status == Free) {
            m_state = State::Asking;
            m_askedColumn = column;
            m_askedRow = row;
            FreeWithWhois(m_table(column, row).domain);
            return;
        }
        Q_EMIT advanced();
        if (!self)
            return;
    }
}

void WhoisConfirmation::FreeWithWhois(const QString& domainname)
{
    const Utils::Registry& registry = m_plan.registry(m_askedColumn, m_askedRow);
    const QString& rdapService = registry.rdapService;
    const QString service = rdapService.isEmpty() ? QStringLiteral("WHOIS : ") : QStringLiteral("RDAP : ");
    const QPointer<WhoisConfirmation> self(this);
    Q_EMIT asking(m_askedColumn, m_askedRow, service + domainname);
    if (!self || m_state != State::Asking)
        return;
    m_askedBy = rdapService.isEmpty() ? CheckResult::Whois : CheckResult::Rdap;
    m_askedServer = rdapService.isEmpty() ? registry.whoisServer : QUrl(rdapService).host();
    if (!rdapService.isEmpty()) {
        rdap->lookup(rdapService, domainname);
        return;
    }
    Whois2->setQuery(domainname.trimmed());
    Whois2->setServer(registry.whoisServer);
    if (Whois2->connectToServer() != WhoisClient::NoError)
        answer(Whois::Verdict::NotChecked);
}

void WhoisConfirmation::whoisFinished(const WhoisOutcome& outcome)
{
    Whois2->disconnectFromServer();
    answer(verdictOf(outcome));
}

void WhoisConfirmation::rdapFinished(const RdapOutcome& outcome)
{
    answer(outcome.verdict);
}

void WhoisConfirmation::answer(Whois::Verdict verdict)
{
    if (m_state != State::Asking)
        return;
    if (verdict == Whois::Verdict::NotChecked) {
        ++m_unconfirmed;
        if (!m_silentServers.contains(m_askedServer))
            m_silentServers.append(m_askedServer);
    }
    m_state = State::Walking;
    const QPointer<WhoisConfirmation> self(this);
    m_table(m_askedColumn, m_askedRow).decidedBy = m_askedBy;
    if (verdict != Whois::Verdict::Free) {
        m_table(m_askedColumn, m_askedRow).status = verdict == Whois::Verdict::Taken ? Taken : NotChecked;
        Q_EMIT cellChanged(m_askedColumn, m_askedRow);
        if (!self || m_state != State::Walking)
            return;
    }
    Q_EMIT advanced();
    if (!self || m_state != State::Walking)
        return;
    // Not from inside the answer's own signal: the window's events run first.
    m_next->start();
}
