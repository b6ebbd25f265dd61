#include "dns/CheckRun.h"

#include "dns/DNS.h"
#include "dns/DnsTransport.h"
#include "dns/TickSource.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <algorithm>

CheckRun::CheckRun(CheckResultTable& table, const Setup& setup, const Io& io, QObject* parent)
    : QObject(parent), m_table(table), m_setup(setup), m_ids(setup.ids()), m_io(io),
      m_ticks(io.ticks ? io.ticks() : std::make_unique<TimerTickSource>()),
      m_transport(io.transport ? io.transport() : std::make_unique<UdpTransport>()), m_canaries(setup.canaries),
      m_queries(m_ids.total()), m_schedule(m_ids.total(), setup.passes)
{
    m_pending = [this](int step) {
        const QueryIds::Slot slot = *m_ids.slotOf(m_ids.idAt(step));
        // A made-up name is asked again while unanswered, as a candidate is: without its answer the suffix's
        // "exists" answers prove nothing.
        return slot.canary >= 0 ? m_canaries[slot.canary].answer == Canary::None
                                : m_table(slot.column, slot.row).status == Pending;
    };
    connect(m_ticks.get(), &TickSource::tick, this, &CheckRun::onTick);
    connect(m_transport.get(), &DnsTransport::datagramReceived, this, &CheckRun::onDatagram);
    connect(m_transport.get(), &DnsTransport::socketError, this, &CheckRun::onSocketError);
}

CheckRun::~CheckRun()
{
    stopIo();
}

quint16 CheckRun::localPort() const
{
    return m_transport->localPort();
}

QString CheckRun::onlyRefusalsText(const QString& nameServer)
{
    return QStringLiteral("The name server %1 would not answer any of the questions.").arg(nameServer) +
           QLatin1Char('\r') +
           QStringLiteral("None of the domains could be checked. You can choose another name server under Options, "
                          "DNS Settings.");
}

void CheckRun::start()
{
    if (m_state != State::Idle)
        return;
    m_state = State::Resolving;
    QHostAddress literal;
    if (literal.setAddress(m_setup.nameServer.trimmed())) {
        openSocket(literal);
        return;
    }
    // Resolved in the background: a slow resolver must not freeze the window.
    const auto done = [self = QPointer<CheckRun>(this)](const QHostInfo& info) {
        if (self)
            self->onResolved(info);
    };
    if (m_io.lookupHost) {
        m_io.lookupHost(m_setup.nameServer, this, done);
        return;
    }
    // The application receives the answer: a lookup whose receiver is destroyed first leaks its callback.
    QHostInfo::lookupHost(m_setup.nameServer, QCoreApplication::instance(), done);
}

void CheckRun::onResolved(const QHostInfo& info)
{
    if (m_state != State::Resolving)
        return;
    if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
        if (m_setup.nameServer.trimmed().isEmpty()) {
            openSocket(QHostAddress());
            return;
        }
        // Not the network's fault: the name the user gave leads nowhere.
        m_state = State::NetworkFailed;
        Q_EMIT failed(Failure::Network, notFoundText(m_setup.nameServer));
        return;
    }
    openSocket(info.addresses().constFirst());
}

void CheckRun::openSocket(const QHostAddress& server)
{
    m_server = server;
    if (DNS::InitSocket(*m_transport, server) != 0) {
        m_state = State::NetworkFailed;
        fail(Failure::Network);
        return;
    }
    m_state = State::Running;
    // Ticks faster than a frame read the replies themselves; slower ones let each reply wake the program.
    m_transport->setWaking(m_setup.delayMs >= FrameMs);
    m_ticks->start(m_setup.delayMs);
    handle(m_schedule.begin(m_pending));
}

void CheckRun::hold()
{
    if (m_holds++ == 0 && m_state == State::Running)
        m_ticks->stop();
}

void CheckRun::release()
{
    if (m_holds > 0 && --m_holds == 0 && m_state == State::Running)
        m_ticks->start(m_setup.delayMs);
}

void CheckRun::onTick()
{
    if (m_state != State::Running)
        return;
    m_transport->poll();
    if (m_state != State::Running)
        return;
    handle(m_schedule.tick(m_pending));
}

void CheckRun::handle(const RunSchedule::Step& step)
{
    if (step.sendCell >= 0)
        send(step.sendCell);
    else if (step.finished)
        finish();
}

void CheckRun::send(int step)
{
    // Built once, then sent again in later passes and held against the replies.
    QByteArray& query = m_queries[step];
    if (query.isEmpty()) {
        const int id = m_ids.idAt(step);
        const QueryIds::Slot slot = *m_ids.slotOf(id);
        query = DNS::BuildQuery(
            slot.canary >= 0 ? m_canaries[slot.canary].domain : m_table(slot.column, slot.row).domain, qint16(id));
    }
    if (m_transport->send(query, m_server, m_setup.port)) {
        ++m_sent;
        return;
    }
    m_state = State::SendFailed;
    stopIo();
    fail(Failure::Send);
}

void CheckRun::finish()
{
    // Under a suffix where made-up names exist, or whose made-up name got no answer, "exists" proves nothing; where
    // the suffix itself is said not to exist, "no such name" proves nothing.
    QHash<QString, Canary::Answer> vouched;
    QSet<QString> missing;
    for (const Canary& canary : std::as_const(m_canaries)) {
        if (!canary.control)
            vouched.insert(canary.suffix, canary.answer);
        else if (canary.answer == Canary::NameError)
            missing.insert(canary.suffix);
    }
    QHash<QString, QStringList> refusals;
    for (int c = 1; c <= m_setup.columns; ++c) {
        for (int r = 1; r <= m_setup.rows; ++r) {
            CheckResult& cell = m_table(c, r);
            const QString suffix = DNS::SuffixOf(cell.domain);
            const Canary::Answer answer = vouched.value(suffix, Canary::NameError);
            if (cell.status == Pending) {
                cell.status = NotChecked;
                cell.why = cell.rcode ? CheckResult::ServerRefused : CheckResult::NoAnswer;
                if (cell.rcode && !refusals[suffix].contains(rcodeName(cell.rcode)))
                    refusals[suffix].append(rcodeName(cell.rcode));
            } else if (cell.status == Taken && answer != Canary::NameError) {
                cell.status = NotChecked;
                cell.why = answer == Canary::None ? CheckResult::MadeUpUnanswered : CheckResult::MadeUpExists;
                if (answer == Canary::None && !m_unvouched.contains(suffix))
                    m_unvouched.append(suffix);
            } else if (cell.status == Free && missing.contains(suffix)) {
                cell.status = NotChecked;
                cell.why = CheckResult::SuffixMissing;
                if (!m_missing.contains(suffix))
                    m_missing.append(suffix);
            }
        }
    }
    for (const Canary& canary : std::as_const(m_canaries)) {
        if (!canary.control && refusals.contains(canary.suffix))
            m_refused.append(QLatin1Char('.') + canary.suffix + QStringLiteral(" (") +
                             refusals.value(canary.suffix).join(QStringLiteral(", ")) + QLatin1Char(')'));
    }
    stopIo();
    m_state = State::Completed;
    Q_EMIT completed();
}

void CheckRun::onDatagram(const QByteArray& datagram, const QHostAddress& sender, quint16 senderPort)
{
    if (m_state != State::Running)
        return;
    // Only the server asked, from the port asked, answering the question asked, is believed (RFC 5452).
    if (senderPort != m_setup.port || !sender.isEqual(m_server, QHostAddress::TolerantConversion))
        return;
    const std::optional<DNS::ReplyInfo> info = DNS::ParseReply(datagram);
    if (!info)
        return;
    m_heard = true;
    const std::optional<QueryIds::Slot> slot = m_ids.slotOf(info->id);
    if (!slot || !DNS::AnswersQuery(datagram, *info, m_queries.at(m_ids.stepOf(info->id))))
        return;
    if (slot->canary >= 0) {
        // A refusal or a failure says nothing of the suffix.
        if (!DNS::IsRefusal(info->rcode))
            m_canaries[slot->canary].answer = info->exists ? Canary::Exists : Canary::NameError;
        return;
    }
    CheckResult& cell = m_table(slot->column, slot->row);
    if (cell.status != Pending)
        return; // the first answer decided; a copy of it is no news
    if (DNS::IsRefusal(info->rcode)) {
        // Says nothing about the name: the cell stays pending and is asked again in the next pass.
        ++m_refusals;
        cell.rcode = info->rcode;
        return;
    }
    cell.status = info->exists ? Taken : Free;
    ++m_answers;
    if (m_replies < m_ids.candidates())
        ++m_replies;
    Q_EMIT cellAnswered(slot->column, slot->row, m_replies);
}

QStringList CheckRun::notes(const QString& nameServer) const
{
    if (!m_heard && m_sent > 0)
        return {silentServerText(nameServer)};
    QStringList said{onlyRefusals() ? onlyRefusalsText(nameServer) : refusedText(m_refused, nameServer),
                     canaryText(m_canaries, nameServer), unvouchedText(m_unvouched),
                     missingSuffixText(m_missing, nameServer)};
    said.removeAll(QString());
    return said;
}

QString CheckRun::canaryText(const QList<Canary>& canaries, const QString& nameServer)
{
    QStringList lying;
    qsizetype madeUp = 0;
    for (const Canary& canary : canaries) {
        madeUp += !canary.control;
        if (canary.answer == Canary::Exists && !canary.control)
            lying.append(QLatin1Char('.') + canary.suffix);
    }
    if (lying.isEmpty())
        return QString();
    // Only a server that lied under every one of several suffixes is to blame; one or two may have wildcards.
    const bool everyOne = lying.size() == madeUp;
    if (everyOne && madeUp >= 3)
        return QStringLiteral("The nameserver ") + nameServer +
               QStringLiteral(" says that every domain exists, even made-up ones, so Orlevan cannot tell which "
                              "domains are free.") +
               QLatin1Char('\r') + QStringLiteral("Please choose another nameserver under options->DNS options");
    QString text = QStringLiteral("Every domain under ") + lying.join(QLatin1Char(' ')) +
                   QStringLiteral(" seems to exist, even made-up ones, so these domains could not be checked.");
    if (everyOne)
        text += QLatin1Char('\r') + QStringLiteral("If this happens for every top-level domain, please choose another "
                                                   "nameserver under options->DNS options");
    return text;
}

void CheckRun::onSocketError()
{
    if (m_state == State::Running)
        fail(Failure::Socket);
}

int CheckRun::canariesUnanswered() const
{
    return int(std::count_if(m_canaries.cbegin(), m_canaries.cend(),
                             [](const Canary& canary) { return canary.answer == Canary::None; }));
}

QString CheckRun::notFoundText(const QString& nameServer)
{
    return QStringLiteral("The nameserver %1 could not be found.").arg(nameServer) + QLatin1Char('\r') +
           QStringLiteral("Check your settings under options->DNS options");
}

QString CheckRun::silentServerText(const QString& nameServer)
{
    return QStringLiteral("The nameserver ") + nameServer + QStringLiteral(" did not answer.") + QLatin1Char('\r') +
           QStringLiteral("Check your settings under options->DNS options");
}

QString CheckRun::unvouchedText(const QStringList& suffixes)
{
    if (suffixes.isEmpty())
        return QString();
    QStringList shown;
    for (const QString& suffix : suffixes)
        shown.append(QLatin1Char('.') + suffix);
    return QStringLiteral("Every domain under ") + shown.join(QLatin1Char(' ')) +
           (suffixes.size() == 1
                ? QStringLiteral(" could not be checked: a made-up name under it got no answer.")
                : QStringLiteral(" could not be checked: the made-up names under them got no answer.")) +
           QLatin1Char('\r') +
           QStringLiteral("Without that answer, \"exists\" proves nothing there. You can check them again, or choose "
                          "another nameserver under options->DNS options");
}

QString CheckRun::missingSuffixText(const QStringList& suffixes, const QString& nameServer)
{
    if (suffixes.isEmpty())
        return QString();
    const QString shown = QLatin1Char('.') + suffixes.join(QStringLiteral(" ."));
    return QStringLiteral("The nameserver %1 says that even %2 itself does not exist, so its \"no such name\" proves "
                          "nothing there: the domains under %2 that seemed free could not be checked.")
               .arg(nameServer, shown) +
           QLatin1Char('\r') + QStringLiteral("Please choose another nameserver under options->DNS options");
}

QString CheckRun::refusedText(const QStringList& suffixesWithCodes, const QString& nameServer)
{
    if (suffixesWithCodes.isEmpty())
        return QString();
    return QStringLiteral("The nameserver %1 would not answer for some domains under %2, so they could not be "
                          "checked.")
               .arg(nameServer, suffixesWithCodes.join(QLatin1Char(' '))) +
           QLatin1Char('\r') +
           QStringLiteral("You can check them again, or choose another nameserver under options->DNS options");
}

QString CheckRun::rcodeName(quint8 rcode)
{
    static const char* names[] = {"NOERROR", "FORMERR", "SERVFAIL", "NXDOMAIN", "NOTIMP", "REFUSED"};
    return rcode < 6 ? QString::fromLatin1(names[rcode]) : QString::number(rcode);
}

QString CheckRun::failureText(Failure failure)
{
    switch (failure) {
    case Failure::Network:
        return QStringLiteral("Cannot initialize the network - ") + QLatin1Char('\r') +
               QStringLiteral("Please check that you are online.");
    case Failure::Send:
        return QStringLiteral("Error communicating with nameserver.") + QLatin1Char('\r') +
               QStringLiteral("Check your settings under options->DNS options");
    case Failure::Socket:
        break;
    }
    return QStringLiteral("Winsock error");
}

void CheckRun::fail(Failure failure)
{
    Q_EMIT failed(failure, failureText(failure));
}

void CheckRun::cancel()
{
    if (m_state == State::Cancelled)
        return;
    m_state = State::Cancelled;
    stopIo();
}

void CheckRun::stopIo()
{
    // A lookup in progress is left to finish (aborting it leaks its callback): its answer finds the run stopped
    // or gone.
    if (m_ticks)
        m_ticks->stop();
    if (m_transport)
        m_transport->close();
}
