#include "results/WhoisConfirmation.h"

#include "whois/Whois.h"
#include "whois/WhoisClient.h"

#include <QPointer>
#include <QTimer>

WhoisConfirmation::Limits WhoisConfirmation::limits;

WhoisConfirmation::WhoisConfirmation(CheckResultTable& table, int columns, int rows, QObject* parent)
    : QObject(parent), m_table(table), m_columns(qMin(columns, table.columnCount())),
      m_rows(qMin(rows, table.rowCount()))
{
    m_next = new QTimer(this);
    m_next->setSingleShot(true);
    m_next->setInterval(0);
    connect(m_next, &QTimer::timeout, this, &WhoisConfirmation::walk);
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
}

WhoisConfirmation::Verdict WhoisConfirmation::verdictOf(const WhoisOutcome& outcome)
{
    switch (outcome.status) {
    case WhoisOutcome::Reply:
        return Whois::CheckWhoisBuffer(outcome.text) ? Verdict::Free : Verdict::Taken;
    case WhoisOutcome::EmptyReply:
        return Verdict::Taken;
    case WhoisOutcome::Failure:
        break;
    }
    return Verdict::NotChecked;
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
        const CheckResult& result = m_table(column, row);
        if (result.status == Free) {
            m_state = State::Asking;
            m_askedColumn = column;
            m_askedRow = row;
            Q_EMIT asking(column, row, result.domain);
            return;
        }
        Q_EMIT advanced();
        if (!self)
            return;
    }
}

void WhoisConfirmation::answer(Verdict verdict)
{
    if (m_state != State::Asking)
        return;
    m_state = State::Walking;
    const QPointer<WhoisConfirmation> self(this);
    if (verdict != Verdict::Free) {
        m_table(m_askedColumn, m_askedRow).status = verdict == Verdict::Taken ? Taken : NotChecked;
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
