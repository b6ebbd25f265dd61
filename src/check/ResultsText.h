#pragma once

#include "check/RunPlan.h"
#include "dns/CheckResults.h"

#include <QString>

// The words the results window uses for its candidates: the captions of the cell popup and the lines of the
// clipboard text. The popup and the clipboard word the same states differently on purpose.
namespace ResultsText {

// A site of one or two characters is a leftover in the data file, not an address.
bool hasRegistrationSite(const QString& site);

// What the popup of one cell shows.
struct Popup
{
    QString title;
    QString reason; // under the title, for a candidate that could not be checked
    QString gotoCaption;
    bool gotoEnabled = false;
    QString wwwCaption;
    bool wwwVisible = false;
    QString whoisCaption;
    // Registration details, for a taken name: offered where its suffix has an RDAP service.
    bool detailsVisible = false;
    bool detailsEnabled = false;
};

// The label a cell's suffix goes by: its column's suffix when the names were bare, else the candidate's tld.
QString columnLabel(const RunPlan& plan, int column, const CheckResult& result);

Popup popup(const CheckResult& result, const Utils::Registry& registry, const QString& label);

// The domain as typed, followed by its ASCII form where the two differ.
QString shownDomain(const CheckResult& result);

// Why a candidate ended not checked, in a few words; empty for one that was checked.
QString reasonText(const CheckResult& result);

// One clipboard line, CR LF included.
QString copyLine(const CheckResult& result, const QString& registrationSite);

// Every candidate of the table, column by column, each column top to bottom, with its registry's site.
QString copyText(const CheckResultTable& table, const RunPlan& plan);

// While a run goes on, short enough for the bar of a narrow window: "120 of 960 checked, 40 s left".
QString progressText(int checked, int total, qint64 msLeft);
// Once the grid is final: "12 free · 100 taken · 8 not checked".
QString summary(const CheckResultTable& table);
QString summaryOf(const QString& free, const QString& taken, const QString& notChecked);

// One candidate as a saved file gives it, in the copy order.
struct Row
{
    const CheckResult* result = nullptr;
    QString name;        // the row's name as typed
    QString status;      // "free", "taken" or "not checked"
    QString confirmedBy; // "DNS", "WHOIS" or "RDAP" for a checked candidate, else empty
    QString registrationSite;
    QString reason; // why it was not checked
};
QList<Row> rows(const CheckResultTable& table, const RunPlan& plan);

// The results as a CSV file (RFC 4180) for spreadsheet programs: UTF-8 with a byte-order mark, CR LF line ends, a
// header row, then one row per candidate.
QByteArray csv(const QList<Row>& rows);
// One candidate as a line of JSON (JSON Lines), LF included.
QByteArray jsonLine(const Row& row);

} // namespace ResultsText
