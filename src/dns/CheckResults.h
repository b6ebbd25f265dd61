#pragma once

#include <QString>
#include <vector>

// The outcome of every candidate of the current run, indexed by grid column and row (both from 1; index 0 of
// either holds no candidate). Rebuilt by each run and kept until the next, for the grid's actions.
enum CheckStatus : quint8 { Pending = 0, Taken = 1, Free = 2, NotChecked = 3 };

struct CheckResult
{
    QString domain; // as asked, in ASCII form
    QString tld;
    quint8 status = Pending;
    QString typed;                                         // the domain as typed, where it is not plain ASCII
    enum By : quint8 { Dns, Whois, Rdap } decidedBy = Dns; // who decided the status
    // Why a candidate ended not checked.
    enum Why : quint8 {
        NoReason,
        NoAnswer,         // the name server never answered it
        ServerRefused,    // it answered only FORMERR, SERVFAIL, NOTIMP or REFUSED: rcode tells which
        MadeUpExists,     // a made-up name under its suffix was said to exist
        MadeUpUnanswered, // a made-up name under its suffix got no answer
        SuffixMissing,    // its suffix itself was said not to exist
        NotConfirmed,     // WHOIS or RDAP gave no usable answer
        ConfirmRefused,   // the WHOIS server refused to answer
    } why = NoReason;
    quint8 rcode = 0; // the last refusal's code, for ServerRefused
};

class CheckResultTable
{
public:
    // Columns 0 to columnCount and rows 0 to rowCount, all empty.
    void reset(int columnCount, int rowCount)
    {
        m_columns = columnCount;
        m_rows = rowCount;
        m_cells.assign(size_t(columnCount + 1) * size_t(rowCount + 1), CheckResult{});
    }
    int columnCount() const { return m_columns; }
    int rowCount() const { return m_rows; }
    CheckResult& operator()(int column, int row) { return m_cells[size_t(column) * size_t(m_rows + 1) + size_t(row)]; }
    const CheckResult& operator()(int column, int row) const
    {
        return m_cells[size_t(column) * size_t(m_rows + 1) + size_t(row)];
    }

private:
    int m_columns = 0;
    int m_rows = 0;
    std::vector<CheckResult> m_cells = std::vector<CheckResult>(1);
};
