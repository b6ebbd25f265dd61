#pragma once

#include "dns/CheckResults.h"

#include <QObject>
#include <QString>

class QTimer;
struct WhoisOutcome;

// The walk of the WHOIS confirmation over the cells of a finished run: column by column, each column top to
// bottom. Only free cells are asked about; every cell, asked or not, counts as one step of progress. The
// question itself is the owner's: asking() says which candidate, answer() brings the verdict back. The walk goes
// on after each answer from a fresh event, so the window is served between candidates.
class WhoisConfirmation final : public QObject
{
    Q_OBJECT

public:
    enum class Verdict { Free, Taken, NotChecked };

    // Where and how long the questions may take; tests shorten them.
    struct Limits
    {
        quint16 port = 43;
        int connectMs = 10 * 1000;
        int exchangeMs = 30 * 1000;
    };
    static Limits limits;

    WhoisConfirmation(CheckResultTable& table, int columns, int rows, QObject* parent = nullptr);

    void start();
    // The verdict on the candidate of the last asking(); ignored when nothing is asked.
    void answer(Verdict verdict);
    // Stops the walk: no signal follows.
    void cancel();

    bool inProgress() const { return m_state == State::Walking || m_state == State::Asking; }

    // A reply that says the name is not registered keeps it free; any other reply, an empty one too, makes it
    // taken. A server that could not be reached or did not finish leaves the candidate unconfirmed.
    static Verdict verdictOf(const WhoisOutcome& outcome);

Q_SIGNALS:
    void asking(int column, int row, const QString& domain);
    // The cell's status changed and wants repainting.
    void cellChanged(int column, int row);
    void advanced();
    void finished();

private:
    enum class State { Idle, Walking, Asking, Finished, Cancelled };

    void walk();

    CheckResultTable& m_table;
    const int m_columns;
    const int m_rows;
    int m_column = 1;
    int m_row = 1;
    int m_askedColumn = 0;
    int m_askedRow = 0;
    State m_state = State::Idle;
    QTimer* m_next = nullptr;
};
