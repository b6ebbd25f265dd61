#include "check/RunPlan.h"

#include "core/Environment.h"
#include "core/Utils.h"
#include "dns/DNS.h"

#include <QHash>
#include <QRandomGenerator>
#include <QSet>

RunPlan RunPlan::make(const QStringList& names, bool bareNames, bool personalSelection, const QStringList& typed,
                      const QStringList& suffixes)
{
    RunPlan plan;
    plan.names = names;
    plan.typed = typed.size() == names.size() ? typed : names;
    plan.bareNames = bareNames;
    if (!bareNames) {
        plan.columnLabels = QStringList{QString()};
    } else if (!suffixes.isEmpty()) {
        plan.columnLabels = suffixes;
    } else if (!personalSelection) {
        plan.columnLabels = Utils::DefaultDomains;
    } else {
        plan.centredHeadings = true;
        for (int i = 0; i < Utils::TldCount && i < Utils::DomainTableSize; ++i) {
            const Utils::TldRecord& record = Utils::DomainTable[i];
            if (record.Selected != 1)
                continue;
            if (record.SubLabels.isEmpty()) {
                plan.columnLabels.append(record.Tld);
                continue;
            }
            // An empty label stands for the top-level domain itself, where its registry takes names directly.
            for (const QString& label : record.SubLabels.split(QLatin1Char(':')))
                plan.columnLabels.append(label.isEmpty() ? record.Tld : label + QLatin1Char('.') + record.Tld);
        }
    }

    if (plan.candidateTotal() > DNS::MaxCandidates) {
        plan.refusal = Refusal::TooMany;
        return plan;
    }
    // A personal selection without a single domain leaves names and no column to put them in.
    if (plan.columns() == 0 && !plan.names.isEmpty()) {
        plan.refusal = Refusal::NoSuffix;
        return plan;
    }
    // A label's length is one byte on the wire: a longer one cannot be asked. The suffixes come from the data
    // file, which may hold anything.
    if (plan.candidateTotal() == 0)
        return plan;
    for (const QString& part : plan.names + plan.columnLabels) {
        if (const auto label = DNS::OverlongLabel(part)) {
            plan.refusal = Refusal::OverlongLabel;
            plan.overlongLabel = *label;
            return plan;
        }
    }
    QSet<QString> seen;
    for (int c = 1; c <= plan.columns(); ++c) {
        for (int r = 1; r <= plan.rows(); ++r) {
            const QString suffix = DNS::SuffixOf(plan.domain(c, r));
            if (suffix.isEmpty() || seen.contains(suffix))
                continue;
            seen.insert(suffix);
            plan.canaries.append({suffix, madeUpLabel() + QLatin1Char('.') + suffix});
        }
    }
    return plan;
}

QString RunPlan::madeUpLabel()
{
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString label(24, Qt::Uninitialized);
    for (QChar& c : label)
        c = QLatin1Char(alphabet[QRandomGenerator::system()->bounded(36)]);
    return label;
}

QString RunPlan::heading(int column) const
{
    return bareNames ? columnLabels.value(column - 1) : QStringLiteral("Free?");
}

QString RunPlan::rowHeading(int row) const
{
    const QString& shown = typed.at(row - 1);
    return shown == names.at(row - 1) ? shown : shown + QStringLiteral(" (") + names.at(row - 1) + QLatin1Char(')');
}

QString RunPlan::domain(int column, int row) const
{
    const QString& name = names.at(row - 1);
    return bareNames ? name + QLatin1Char('.') + columnLabels.at(column - 1) : name;
}

QString RunPlan::refusalText() const
{
    switch (refusal) {
    case Refusal::TooMany:
        return QStringLiteral("Sorry, you have too many combinations of domains.") + QLatin1Char('\r') +
               QStringLiteral("The maximum number allowed is %1 and you have %2")
                   .arg(DNS::MaxCandidates)
                   .arg(candidateTotal());
    case Refusal::OverlongLabel:
        return QStringLiteral("Sorry, the name %1... is too long to be checked.").arg(overlongLabel.left(40)) +
               QLatin1Char('\r') +
               QStringLiteral("A part of a domain name between two dots can have at most %1 characters.")
                   .arg(DNS::MaxLabelLength);
    case Refusal::NoSuffix:
        return QStringLiteral("No top-level domain is chosen, so there is nothing to check.") + QLatin1Char('\r') +
               QStringLiteral("Choose the top-level domains to search under options->Domains to search");
    case Refusal::None:
        break;
    }
    return QString();
}

void RunPlan::fill(CheckResultTable& table) const
{
    table.reset(columns(), rows());
    QHash<QString, QString> tlds;
    for (int c = 1; c <= columns(); ++c) {
        for (int r = 1; r <= rows(); ++r) {
            CheckResult& result = table(c, r);
            result.status = Pending;
            result.queryId = qint16(ids().ofCell(c, r));
            result.domain = domain(c, r);
            if (typed.at(r - 1) != names.at(r - 1))
                result.typed =
                    bareNames ? typed.at(r - 1) + QLatin1Char('.') + columnLabels.at(c - 1) : typed.at(r - 1);
            // A column's candidates share their last label, mostly: the table is searched once for it.
            const QString last = result.domain.section(QLatin1Char('.'), -1);
            if (!tlds.contains(last))
                tlds.insert(last, Utils::DomainTable[Utils::FindTld(result.domain)].Tld);
            result.tld = tlds.value(last);
        }
    }
}

CheckRun::Setup RunPlan::setup(const QString& nameServer, int queryDelay, int retries) const
{
    CheckRun::Setup setup;
    setup.nameServer = nameServer;
    setup.port = Environment::current().nameServerPort;
    // A damaged store could hold values the options dialog never accepts; the run needs positive ones.
    setup.delayMs = qMax(1, queryDelay);
    setup.passes = qMax(1, retries);
    setup.columns = columns();
    setup.rows = rows();
    setup.canaries = canaries;
    return setup;
}
