#include "dns/CheckRun.h"

#include "core/AppInfo.h"
#include "dns/DNS.h"
#include "dns/DnsTransport.h"
#include "dns/TickSource.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

std::function<std::unique_ptr<TickSource>()> CheckRun::tickSourceFactory;
std::function<std::unique_ptr<DnsTransport>()> CheckRun::transportFactory;

CheckRun::CheckRun(CheckResultTable& table, const Setup& setup, std::unique_ptr<TickSource> ticks,
                   std::unique_ptr<DnsTransport> transport, QObject* parent)
    : QObject(parent), m_table(table), m_setup(setup), m_ticks(std::move(ticks)), m_transport(std::move(transport)),
      m_schedule(setup.columns * setup.rows, setup.passes)
{
    if (!m_ticks)
        m_ticks = tickSourceFactory ? tickSourceFactory() : std::make_unique<TimerTickSource>();
    if (!m_transport)
        m_transport = transportFactory ? transportFactory() : std::make_unique<UdpTransport>();
    m_pending = [this](int cell) {
        return cellAt(cell).status == Pending;
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

CheckResult& CheckRun::cellAt(int cell)
{
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
    m_ticks->start(m_setup.delayMs);
    handle(m_schedule.begin(m_pending));
}

void CheckRun::onTick()
{
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
    const CheckResult& result = cellAt(cell);
    const QByteArray query = DNS::BuildQuery(result.domain, result.queryId);
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
    for (int c = 1; c <= m_setup.columns; ++c) {
        for (int r = 1; r <= m_setup.rows; ++r) {
            if (m_table(c, r).status == Pending)
                m_table(c, r).status = NotChecked;
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
    const std::optional<Cell> cell = cellOfQueryId(info->id, m_setup.columns, m_setup.rows);
    if (!cell)
        return;
    CheckResult& result = m_table(cell->column, cell->row);
    if (!DNS::AnswersQuery(datagram, result.domain))
        return;
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
