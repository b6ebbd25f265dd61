#pragma once

#include "core/Candidates.h"
#include "core/Utils.h"
#include "dns/CheckResults.h"
#include "dns/CheckRun.h"
#include "dns/QueryIds.h"
#include "whois/Rdap.h"

#include <QString>
#include <QStringList>
#include <optional>

class RdapBootstrap;

// What one Check asks of the name server, worked out before anything is shown or sent: the result columns, every
// candidate with its query identifier, and whether the run may go ahead at all.
struct RunPlan
{
    enum class Refusal { None, TooMany, TooLong, NoSuffix };

    // Everything a Check is made of, as plain values: the names, what the domain table and the RDAP directory
    // know of the registry behind each suffix, and how the name server is asked.
    struct Inputs
    {
        QStringList names;     // one row each, in order, in ASCII form
        QStringList typed;     // the same as typed
        bool bareNames = true; // names get the columns' suffixes; otherwise they are complete domains
        // Bare names: one per column, in order, each with its suffix. Complete names: one per name.
        QList<Utils::Registry> registries;
        bool centredHeadings = false; // the personal selection's headings
        QString nameServer;
        quint16 port = 53;
        int delayMs = 50;
        int passes = 3;
        bool confirm = false;

        // The names under these suffixes (or whole, when they are complete), each registry looked up in the
        // domain table and the directory once, asked as the settings say.
        static Inputs of(const Candidates::Result& names, const QStringList& suffixes, bool personalSelection,
                         const Utils::Settings& settings, quint16 port, const RdapBootstrap& directory);
        // The same with the program's own directory, which a check that confirms refreshes once a week, in the
        // background, for the checks after it. A caller that makes many checks in a row keeps the directory the
        // first one read in `directory`, and the others take it from there.
        static Inputs ofProgram(const Candidates::Result& names, const QStringList& suffixes, bool personalSelection,
                                const Utils::Settings& settings, quint16 port, const Rdap::Policy& rdap,
                                std::optional<RdapBootstrap>* directory = nullptr);
    };

    QStringList names;
    QStringList typed;
    bool bareNames = true;
    bool centredHeadings = false;
    QStringList columnLabels; // the suffix of each result column; for complete names one empty label
    QList<Utils::Registry> registries;
    Refusal refusal = Refusal::None;
    QString tooLong; // the domain, as typed
    // One made-up name under every suffix of the run, asked before the candidates: a server that says it exists
    // says so of every name, and its "taken" proves nothing there. Then every suffix itself, as a control: a server
    // that says it does not exist, its "free" proves nothing there. Identifiers follow the candidates'.
    QList<CheckRun::Canary> canaries;

    // One column per registry for bare names; one column without suffix for complete names.
    static RunPlan make(const Inputs& inputs);

    int columns() const { return int(columnLabels.size()); }
    int rows() const { return int(names.size()); }
    int candidateTotal() const { return columns() * rows(); }
    QueryIds ids() const { return {columns(), rows(), int(canaries.size())}; }
    // Grid heading of column c (from 1); row heading of row r: the name as typed, and its ASCII form if another.
    QString heading(int column) const;
    QString rowHeading(int row) const;
    // The domain asked in column c, row r (both from 1), and what is known of its registry.
    QString domain(int column, int row) const;
    const Utils::Registry& registry(int column, int row) const;
    // The message that ends a refused run.
    QString refusalText() const;
    // A label nobody has registered: 24 lowercase letters and digits, new every time.
    static QString madeUpLabel();

    // Every cell Pending, with its domain and its record's tld.
    void fill(CheckResultTable& table) const;
    CheckRun::Setup setup(const Inputs& inputs) const;
};
