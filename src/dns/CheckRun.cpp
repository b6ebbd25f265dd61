#include "dns/CheckRun.h"

#include "core/AppInfo.h"
#include "dns/DNS.h"
#include "dns/DnsTransport.h"
#include "dns/TickSource.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSet>
#include <QTimer>

std::function<std::unique_ptr<TickSource>()> CheckRun::tickSourceFactory;
std::function<std::unique_ptr<DnsTransport>()> CheckRun::transportFactory;

CheckRun::CheckRun(CheckResultTable& table, const Setup& setup, std::unique_ptr<TickSource> ticks,
                   std::unique_ptr<DnsTransport> transport, QObject* parent)
    : QObject(parent), m_table(table), m_setup(setup), m_ticks(std::move(ticks)), m_transport(std::move(transport)),
      m_canaries(setup.canaries), m_queries(setup.canaries.size() + setup.columns * setup.rows),
      m_schedule(int(setup.canaries.size()) + setup.columns * setup.rows, setup.passes, int(setup.canaries.size()))
{
    if (!m_ticks)
        m_ticks = tickSourceFactory ? tickSourceFactory() : std::make_unique<TimerTickSource>();
    if (!m_transport)
        m_transport = transportFactory ? transportFactory() : std::make_unique<UdpTransport>();
    m_pending = [this](int cell) {
        return cell < m_canaries.size() || cellAt(cell).status == Pending;
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

std::optional<CheckRun::Cell> CheckRun::cellOfQueryId(int id, int columns, int rows)
{
    if (rows <= 0 || id < 1 || id > columns * rows)
        return std::nullopt;
    return Cell{(id - 1) / rows + 1, (id - 1) % rows + 1};
}

QString CheckRun::onlyRefusalsText(const QString& nameServer)
{
    return QStringLiteral("The name server %1 would not answer any of the questions.").arg(nameServer) +
           QLatin1Char('\r') +
           QStringLiteral("None of the domains could be checked. You can choose another name server under Options, "
                          "DNS Settings.");
}

// Cells of the schedule: the canaries first, then the candidates column by column.
CheckResult& CheckRun::cellAt(int cell)
{
    cell -= int(m_canaries.size());
    return m_table(cell / m_setup.rows + 1, cell % m_setup.rows + 1);
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
    // The application receives the answer: a lookup whose receiver is destroyed first leaks its callback.
    QHostInfo::lookupHost(m_setup.nameServer, QCoreApplication::instance(),
                          [self = QPointer<CheckRun>(this)](const QHostInfo& info) {
                              if (self)
                                  self->onResolved(info);
                          });
}

void CheckRun::onResolved(const QHostInfo& info)
{
    if (m_state != State::Resolving)
        return;
    if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
        openSocket(QHostAddress());
        return;
    }
    openSocket(info.addresses().constFirst());
}

void CheckRun::openSocket(const QHostAddress& server)
{
    m_server = server;
    if (DNS::InitSocket(*m_transport, server) != 0) {
        m_state = State::NetworkFailed;
        Q_EMIT networkFailed();
        showMessage(QStringLiteral("Cannot initialize the network - ") + QLatin1Char('\r') +
                        QStringLiteral("Please check that you are online."),
                    Platform::Critical);
        return;
    }
    m_state = State::Running;
    // Ticks faster than a frame read the replies themselves; slower ones let each reply wake the program.
    m_transport->setWaking(m_setup.delayMs >= FrameMs);
    m_ticks->start(m_setup.delayMs);
    handle(m_schedule.begin(m_pending));
}

void CheckRun::onTick()
{
    if (m_state != State::Running)
        return;
    m_transport->poll();
    if (m_state != State::Running)
        return;
    // Like a tick noticed after a message box: one tick, however many passed while it was open.
    if (m_held > 0) {
        m_tickWhileHeld = true;
        return;
    }
    handle(m_schedule.tick(m_pending));
}

void CheckRun::handle(const RunSchedule::Step& step)
{
    if (step.sendCell >= 0)
        send(step.sendCell);
    else if (step.finished)
        finish();
}

void CheckRun::send(int cell)
{
    // Built once, then sent again in later passes and held against the replies.
    QByteArray& query = m_queries[cell];
    if (query.isEmpty())
        query = cell < m_canaries.size() ? DNS::BuildQuery(m_canaries[cell].domain, m_canaries[cell].queryId)
                                         : DNS::BuildQuery(cellAt(cell).domain, cellAt(cell).queryId);
    if (m_transport->send(query, m_server, m_setup.port)) {
        ++m_sent;
        return;
    }
    m_state = State::SendFailed;
    stopIo();
    showMessage(QStringLiteral("Error communicating with nameserver.") + QLatin1Char('\r') +
                    QStringLiteral("Check your settings under options->DNS options"),
                Platform::Critical, [this] { Q_EMIT sendFailed(); });
}

void CheckRun::finish()
{
    QSet<QString> lying;
    for (const Canary& canary : std::as_const(m_canaries)) {
        if (canary.answer == Canary::Exists)
            lying.insert(canary.suffix);
    }
    for (int c = 1; c <= m_setup.columns; ++c) {
        for (int r = 1; r <= m_setup.rows; ++r) {
            CheckResult& cell = m_table(c, r);
            // Under a suffix where made-up names exist, "exists" proves nothing.
            if (cell.status == Pending || (cell.status == Taken && lying.contains(DNS::SuffixOf(cell.domain))))
                cell.status = NotChecked;
        }
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
    const int canary = info->id - m_setup.columns * m_setup.rows - 1;
    if (canary >= 0 && canary < m_canaries.size()) {
        recordCanary(m_canaries[canary], datagram, *info, m_queries.at(canary));
        return;
    }
    const std::optional<Cell> cell = cellOfQueryId(info->id, m_setup.columns, m_setup.rows);
    if (!cell || !DNS::AnswersQuery(datagram, m_queries.at(m_canaries.size() + info->id - 1)))
        return;
    CheckResult& result = m_table(cell->column, cell->row);
    if (DNS::IsRefusal(info->rcode)) {
        // Says nothing about the name: the cell stays pending and is asked again in the next pass.
        ++m_refusals;
        return;
    }
    result.status = info->exists ? Taken : Free;
    ++m_answers;
    if (m_replies < m_setup.columns * m_setup.rows)
        ++m_replies;
    Q_EMIT cellAnswered(cell->column, cell->row, m_replies);
}

void CheckRun::recordCanary(Canary& canary, const QByteArray& datagram, const DNS::ReplyInfo& info,
                            const QByteArray& query)
{
    // A refusal or a failure says nothing of the suffix.
    if (DNS::AnswersQuery(datagram, query) && !DNS::IsRefusal(info.rcode))
        canary.answer = info.exists ? Canary::Exists : Canary::NameError;
}

QStringList CheckRun::notes(const QString& nameServer) const
{
    QStringList said{onlyRefusals() ? onlyRefusalsText(nameServer) : QString(), canaryText(m_canaries, nameServer)};
    said.removeAll(QString());
    return said;
}

QString CheckRun::canaryText(const QList<Canary>& canaries, const QString& nameServer)
{
    QStringList lying;
    int answered = 0;
    for (const Canary& canary : canaries) {
        answered += canary.answer != Canary::None;
        if (canary.answer == Canary::Exists)
            lying.append(QLatin1Char('.') + canary.suffix);
    }
    if (lying.isEmpty())
        return QString();
    if (canaries.size() >= 2 && lying.size() == answered)
        return QStringLiteral("The nameserver ") + nameServer +
               QStringLiteral(" says that every domain exists, even made-up ones, so Orlevan cannot tell which "
                              "domains are free.") +
               QLatin1Char('\r') + QStringLiteral("Please choose another nameserver under options->DNS options");
    QString text = QStringLiteral("Every domain under ") + lying.join(QLatin1Char(' ')) +
                   QStringLiteral(" seems to exist, even made-up ones, so these domains could not be checked.");
    if (canaries.size() == 1)
        text += QLatin1Char('\r') + QStringLiteral("If this happens for every top-level domain, please choose another "
                                                   "nameserver under options->DNS options");
    return text;
}

void CheckRun::onSocketError()
{
    if (m_state != State::Running)
        return;
    showMessage(QStringLiteral("Winsock error"), Platform::NoIcon);
}

void CheckRun::showMessage(const QString& text, Platform::Icon icon, std::function<void()> then)
{
    // Not shown from inside the socket's or timer's signal: the box's own event loop may close the window and
    // with it this run.
    ++m_held;
    QTimer::singleShot(0, this, [self = QPointer<CheckRun>(this), text, icon, then = std::move(then)] {
        if (self->m_state == State::Cancelled)
            return;
        Platform::instance().messageBox(text, Platform::Ok, icon, AppInfo::Title);
        if (!self || self->m_state == State::Cancelled)
            return;
        if (then)
            then();
        if (!self)
            return;
        if (--self->m_held == 0 && self->m_tickWhileHeld) {
            self->m_tickWhileHeld = false;
            self->onTick();
        }
    });
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
