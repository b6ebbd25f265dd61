#include "check/RunPlan.h"

#include "dns/DNS.h"
#include "whois/RdapBootstrap.h"
#include "whois/RdapBootstrapUpdater.h"

#include <QHash>
#include <QRandomGenerator>
#include <QSet>

RunPlan::Inputs RunPlan::Inputs::of(const Candidates::Result& names, const QStringList& suffixes,
                                    bool personalSelection, const Utils::Settings& settings, quint16 port,
                                    const RdapBootstrap& directory)
{
    Inputs inputs;
    inputs.names = names.names;
    inputs.typed = names.typed;
    inputs.bareNames = names.bareNames;
    inputs.centredHeadings = personalSelection;
    // A column's candidates share their registry; each complete name has its own, that of its top-level domain,
    // which is looked up once.
    QHash<QString, Utils::Registry> ofTld;
    for (const QString& name : names.bareNames ? suffixes : names.names) {
        const QString tld = Utils::LastLabel(name).toLower();
        auto known = ofTld.constFind(tld);
        if (known == ofTld.cend())
            known = ofTld.insert(tld, Utils::RegistryOf(name));
        Utils::Registry registry = *known;
        registry.suffix = names.bareNames ? name : DNS::SuffixOf(name);
        registry.rdapService = directory.serviceFor(name);
        inputs.registries.append(registry);
    }
    inputs.nameServer = settings.NameServer;
    inputs.port = port;
    // A damaged store could hold values the options dialog never accepts; the run needs positive ones.
    inputs.delayMs = qMax(1, int(settings.QueryDelay));
    inputs.passes = qMax(1, int(settings.Retries));
    inputs.confirm = settings.ConfirmWhois;
    return inputs;
}

RunPlan::Inputs RunPlan::Inputs::ofProgram(const Candidates::Result& names, const QStringList& suffixes,
                                           bool personalSelection, const Utils::Settings& settings, quint16 port,
                                           const Rdap::Policy& rdap, std::optional<RdapBootstrap>* directory)
{
    std::optional<RdapBootstrap> ownCopy;
    std::optional<RdapBootstrap>& read = directory ? *directory : ownCopy;
    if (!read) {
        const Rdap::DirectoryFiles files = Rdap::DirectoryFiles::program();
        read = Rdap::loadBootstrap(files, rdap.plainHttpAllowed);
        // A program without any directory confirms with WHOIS alone and fetches none.
        if (settings.ConfirmWhois && !read->isEmpty())
            RdapBootstrapUpdater::program()->startIfDue(*read, files, rdap);
    }
    return of(names, suffixes, personalSelection, settings, port, *read);
}

RunPlan RunPlan::make(const Inputs& inputs)
{
    RunPlan plan;
    plan.names = inputs.names;
    plan.typed = inputs.typed.size() == inputs.names.size() ? inputs.typed : inputs.names;
    plan.bareNames = inputs.bareNames;
    plan.centredHeadings = inputs.bareNames && inputs.centredHeadings;
    plan.registries = inputs.registries;
    if (!inputs.bareNames) {
        plan.columnLabels = QStringList{QString()};
        // Every name has its registry, even where the caller knew none.
        while (plan.registries.size() < plan.names.size())
            plan.registries.append(Utils::Registry{});
    } else {
        for (const Utils::Registry& registry : inputs.registries)
            plan.columnLabels.append(registry.suffix);
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
    // Names come checked from the name box; the suffixes come from the data file, which may hold anything.
    for (int c = 1; c <= plan.columns(); ++c) {
        for (int r = 1; r <= plan.rows(); ++r) {
            if (Candidates::tooLongForDomain(plan.domain(c, r))) {
                plan.refusal = Refusal::TooLong;
                plan.tooLong = plan.bareNames ? plan.typed.at(r - 1) + QLatin1Char('.') + plan.columnLabels.at(c - 1)
                                              : plan.typed.at(r - 1);
                return plan;
            }
        }
    }
    QSet<QString> seen;
    for (int c = 1; c <= plan.columns(); ++c) {
        for (int r = 1; r <= plan.rows(); ++r) {
            // A bare name without a dot lies right under its column's suffix.
            const bool under = plan.bareNames && !plan.names.at(r - 1).contains(QLatin1Char('.'));
            const QString suffix = under ? plan.columnLabels.at(c - 1) : DNS::SuffixOf(plan.domain(c, r));
            if (suffix.isEmpty() || seen.contains(suffix))
                continue;
            seen.insert(suffix);
            plan.canaries.append({suffix, madeUpLabel() + QLatin1Char('.') + suffix});
        }
    }
    // Then every suffix itself: a server that says it does not exist says so of anything.
    for (qsizetype i = 0, madeUp = plan.canaries.size(); i < madeUp; ++i)
        plan.canaries.append({plan.canaries.at(i).suffix, plan.canaries.at(i).suffix, CheckRun::Canary::None, true});
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
    case Refusal::TooLong:
        return Candidates::tooLongText(tooLong);
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
    for (int c = 1; c <= columns(); ++c) {
        for (int r = 1; r <= rows(); ++r) {
            CheckResult& result = table(c, r);
            result.status = Pending;
            result.domain = domain(c, r);
            if (typed.at(r - 1) != names.at(r - 1))
                result.typed =
                    bareNames ? typed.at(r - 1) + QLatin1Char('.') + columnLabels.at(c - 1) : typed.at(r - 1);
            result.tld = registry(c, r).tld;
        }
    }
}

const Utils::Registry& RunPlan::registry(int column, int row) const
{
    return registries.at(bareNames ? column - 1 : row - 1);
}

CheckRun::Setup RunPlan::setup(const Inputs& inputs) const
{
    CheckRun::Setup setup;
    setup.nameServer = inputs.nameServer;
    setup.port = inputs.port;
    setup.delayMs = qMax(1, inputs.delayMs);
    setup.passes = qMax(1, inputs.passes);
    setup.columns = columns();
    setup.rows = rows();
    setup.canaries = canaries;
    return setup;
}
