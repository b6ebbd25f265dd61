#include "check/WhoisConfirmation.h"

#include "check/RunPlan.h"
#include "whois/RdapClient.h"
#include "whois/WhoisClient.h"

#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <limits>

WhoisConfirmation::WhoisConfirmation(CheckResultTable& table, const RunPlan& plan, const WhoisClient::Setup& whois,
                                     const Rdap::Policy& rdapPolicy, QObject* parent)
    : QObject(parent), m_table(table), m_plan(plan), m_columns(qMin(plan.columns(), table.columnCount())),
      m_rows(qMin(plan.rows(), table.rowCount())), m_refusalWaitMs(qMax(1, whois.refusalWaitMs))
{
    m_clock.start();
    m_wait = new QTimer(this);
    m_wait->setSingleShot(true);
    connect(m_wait, &QTimer::timeout, this, &WhoisConfirmation::askWhois);

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
    m_wait->stop();
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

Whois::Verdict WhoisConfirmation::verdictOf(const WhoisOutcome& outcome, const QString& asked)
{
    switch (outcome.status) {
    case WhoisOutcome::Reply:
        return Whois::readReply(outcome.text, asked);
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
            m_retries = 0;
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
    m_askedDomain = domainname.trimmed();
    askWhois();
}

void WhoisConfirmation::askWhois()
{
    if (m_state != State::Asking)
        return;
    const qint64 wait = m_backoff.value(m_askedServer).notBefore - m_clock.elapsed();
    if (wait > 0) {
        m_wait->start(int(qMin<qint64>(wait, std::numeric_limits<int>::max())));
        return;
    }
    Whois2->setQuery(m_askedDomain);
    Whois2->setServer(m_askedServer);
    if (Whois2->connectToServer() != WhoisClient::NoError)
        answer(Whois::Verdict::NotChecked);
}

void WhoisConfirmation::whoisFinished(const WhoisOutcome& outcome)
{
    Whois2->disconnectFromServer();
    const Whois::Verdict verdict = verdictOf(outcome, m_askedDomain);
    if (verdict != Whois::Verdict::Refused) {
        m_backoff.remove(m_askedServer);
        answer(verdict);
        return;
    }
    Backoff& backoff = m_backoff[m_askedServer];
    backoff.waitMs = backoff.waitMs > 0 ? qMin(backoff.waitMs * 2, m_refusalWaitMs * 16) : m_refusalWaitMs;
    backoff.notBefore = m_clock.elapsed() + backoff.waitMs;
    const QPointer<WhoisConfirmation> self(this);
    Q_EMIT pausing(m_askedServer, backoff.waitMs);
    if (!self || m_state != State::Asking)
        return;
    if (m_retries++ < MaxRetries) {
        askWhois();
        return;
    }
    answer(verdict);
}

void WhoisConfirmation::rdapFinished(const RdapOutcome& outcome)
{
    // The RDAP client keeps to a server's "too many requests" itself; what is left is a refusal.
    const bool refused =
        outcome.verdict == Whois::Verdict::NotChecked && (outcome.leftAlone || outcome.httpStatus == 429);
    answer(refused ? Whois::Verdict::Refused : outcome.verdict);
}

void WhoisConfirmation::answer(Whois::Verdict verdict)
{
    if (m_state != State::Asking)
        return;
    if (verdict == Whois::Verdict::NotChecked || verdict == Whois::Verdict::Refused) {
        ++m_unconfirmed;
        if (!m_silentServers.contains(m_askedServer))
            m_silentServers.append(m_askedServer);
    }
    m_state = State::Walking;
    const QPointer<WhoisConfirmation> self(this);
    CheckResult& cell = m_table(m_askedColumn, m_askedRow);
    cell.decidedBy = m_askedBy;
    if (verdict != Whois::Verdict::Free) {
        cell.status = verdict == Whois::Verdict::Taken ? Taken : NotChecked;
        if (cell.status == NotChecked)
            cell.why = verdict == Whois::Verdict::Refused ? CheckResult::ConfirmRefused : CheckResult::NotConfirmed;
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
