#pragma once

#include "dns/CheckResults.h"
#include "dns/CheckRun.h"
#include "dns/QueryIds.h"

#include <QString>
#include <QStringList>

// What one Check asks of the name server, worked out before anything is shown or sent: the result columns, every
// candidate with its query identifier, and whether the run may go ahead at all.
struct RunPlan
{
    enum class Refusal { None, TooMany, OverlongLabel, NoSuffix };

    QStringList names;     // one row each, in order, in ASCII form
    QStringList typed;     // the same as typed
    bool bareNames = true; // names get the columns' suffixes; otherwise they are complete domains
    bool centredHeadings = false;
    QStringList columnLabels; // the suffix of each result column; for complete names one empty label
    Refusal refusal = Refusal::None;
    QString overlongLabel;
    // One made-up name under every suffix of the run, asked once before the candidates: a server that says it
    // exists says so of every name, and its "taken" proves nothing there. Identifiers follow the candidates'.
    QList<CheckRun::Canary> canaries;

    // The columns from the domain-selection mode: the personal selection (a record's second-level labels in place
    // of the record itself) or the default list; one column without suffix for complete names.
    // Suffixes given explicitly (the command line's) stand in for the selection.
    static RunPlan make(const QStringList& names, bool bareNames, bool personalSelection, const QStringList& typed = {},
                        const QStringList& suffixes = {});

    int columns() const { return int(columnLabels.size()); }
    int rows() const { return int(names.size()); }
    int candidateTotal() const { return columns() * rows(); }
    QueryIds ids() const { return {columns(), rows(), int(canaries.size())}; }
    // Grid heading of column c (from 1); row heading of row r: the name as typed, and its ASCII form if another.
    QString heading(int column) const;
    QString rowHeading(int row) const;
    // The domain asked in column c, row r (both from 1).
    QString domain(int column, int row) const;
    // The message that ends a refused run.
    QString refusalText() const;
    // A label nobody has registered: 24 lowercase letters and digits, new every time.
    static QString madeUpLabel();

    // Every cell Pending, with its domain, its record's tld and its query identifier.
    void fill(CheckResultTable& table) const;
    CheckRun::Setup setup(const QString& nameServer, int queryDelay, int retries) const;
};
