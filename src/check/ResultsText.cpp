#include "check/ResultsText.h"

#include "dns/DNS.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace ResultsText {

bool hasRegistrationSite(const QString& site)
{
    return site.size() > 2;
}

QString columnLabel(const RunPlan& plan, int column, const CheckResult& result)
{
    if (plan.bareNames && column >= 1 && column <= plan.columns())
        return plan.columnLabels.at(column - 1);
    return result.tld;
}

QString shownDomain(const CheckResult& result)
{
    return result.typed.isEmpty() ? result.domain
                                  : result.typed + QStringLiteral(" (") + result.domain + QLatin1Char(')');
}

Popup popup(const CheckResult& result, const Utils::Registry& registry, const QString& label)
{
    Popup popup;
    popup.title = shownDomain(result);
    switch (result.status) {
    case Taken:
        popup.title += QStringLiteral(" is unavailable.");
        break;
    case Free:
        popup.title += QStringLiteral(" is available!");
        break;
    case NotChecked:
        popup.title += QStringLiteral(" could not be checked.");
        popup.reason = QStringLiteral("Why: ") + reasonText(result);
        break;
    default:
        break;
    }
    const bool site = hasRegistrationSite(registry.registrationSite);
    popup.gotoEnabled = site;
    popup.gotoCaption = site ? QString(QStringLiteral("Goto .") + label + QStringLiteral(" registration website."))
                             : QString(QStringLiteral("No registration site known for  .") + label);
    popup.whoisCaption = QStringLiteral("Lookup ") + result.domain + QStringLiteral(" with WHOIS");
    popup.wwwVisible = site && result.status == Taken;
    popup.detailsVisible = result.status == Taken;
    popup.detailsEnabled = popup.detailsVisible && !registry.rdapService.isEmpty();
    if (popup.wwwVisible)
        popup.wwwCaption = QStringLiteral("Goto www.") + (result.typed.isEmpty() ? result.domain : result.typed);
    return popup;
}

QString reasonText(const CheckResult& result)
{
    if (result.status == Free || result.status == Taken)
        return QString();
    const QString suffix = QLatin1Char('.') + DNS::SuffixOf(result.domain);
    const QString by = result.decidedBy == CheckResult::Rdap ? QStringLiteral("RDAP") : QStringLiteral("WHOIS");
    switch (result.why) {
    case CheckResult::NoAnswer:
        return QStringLiteral("no answer");
    case CheckResult::ServerRefused:
        return QStringLiteral("the name server answered ") + CheckRun::rcodeName(result.rcode);
    case CheckResult::MadeUpExists:
        return QStringLiteral("a made-up name under %1 exists too").arg(suffix);
    case CheckResult::MadeUpUnanswered:
        return QStringLiteral("a made-up name under %1 got no answer").arg(suffix);
    case CheckResult::SuffixMissing:
        return QStringLiteral("the name server says %1 does not exist").arg(suffix);
    case CheckResult::NotConfirmed:
        return QStringLiteral("no usable answer from ") + by;
    case CheckResult::ConfirmRefused:
        return by + QStringLiteral(" refused to answer");
    case CheckResult::NoReason:
        break;
    }
    return QStringLiteral("not asked");
}

QString copyLine(const CheckResult& result, const QString& registrationSite)
{
    QString line = shownDomain(result);
    switch (result.status) {
    case Taken:
        line += QStringLiteral(" is unavailable.");
        break;
    case NotChecked:
        line += QStringLiteral(" was not checked.");
        break;
    case Free:
        line += QStringLiteral(" is available");
        if (hasRegistrationSite(registrationSite))
            line += QStringLiteral(" (check ") + registrationSite + QLatin1Char(')');
        break;
    default:
        break;
    }
    return line + QStringLiteral("\r\n");
}

QString copyText(const CheckResultTable& table, const RunPlan& plan)
{
    // The same walk as the saved file's, so both list the candidates alike.
    QString text;
    for (const Row& row : ResultsText::rows(table, plan))
        text += copyLine(*row.result, row.registrationSite);
    return text;
}

namespace {
QByteArray csvField(const QString& text)
{
    QByteArray field = text.toUtf8();
    if (!field.contains(',') && !field.contains('"') && !field.contains('\r') && !field.contains('\n'))
        return field;
    return '"' + field.replace('"', "\"\"") + '"';
}
} // namespace

QString progressText(int checked, int total, qint64 msLeft)
{
    return QStringLiteral("%1 of %2 checked, %3 s left").arg(checked).arg(total).arg((msLeft + 999) / 1000);
}

QString summary(const CheckResultTable& table)
{
    int counts[4] = {};
    for (int c = 1; c <= table.columnCount(); ++c) {
        for (int r = 1; r <= table.rowCount(); ++r)
            ++counts[qMin<int>(table(c, r).status, NotChecked)];
    }
    return summaryOf(QString::number(counts[Free]), QString::number(counts[Taken]),
                     QString::number(counts[NotChecked] + counts[Pending]));
}

QString summaryOf(const QString& free, const QString& taken, const QString& notChecked)
{
    return QStringLiteral("%1 free \u00b7 %2 taken \u00b7 %3 not checked").arg(free, taken, notChecked);
}

QList<Row> rows(const CheckResultTable& table, const RunPlan& plan)
{
    QList<Row> out;
    out.reserve(qMin(plan.columns(), table.columnCount()) * qMin(plan.rows(), table.rowCount()));
    static const QString by[] = {QStringLiteral("DNS"), QStringLiteral("WHOIS"), QStringLiteral("RDAP")};
    for (int c = 1; c <= plan.columns() && c <= table.columnCount(); ++c) {
        for (int r = 1; r <= plan.rows() && r <= table.rowCount(); ++r) {
            const CheckResult& result = table(c, r);
            const bool checked = result.status == Free || result.status == Taken;
            out.append({&result, plan.typed.value(r - 1),
                        result.status == Free    ? QStringLiteral("free")
                        : result.status == Taken ? QStringLiteral("taken")
                                                 : QStringLiteral("not checked"),
                        checked ? by[result.decidedBy] : QString(), plan.registry(c, r).registrationSite,
                        reasonText(result)});
        }
    }
    return out;
}

QByteArray csv(const QList<Row>& rows)
{
    QByteArray out = "\xEF\xBB\xBFname,domain,status,confirmed by,registration site,reason\r\n";
    for (const Row& row : rows) {
        for (const QString& field :
             {row.name, row.result->domain, row.status, row.confirmedBy, row.registrationSite, row.reason})
            out += csvField(field) + ',';
        out.chop(1);
        out += "\r\n";
    }
    return out;
}

QByteArray jsonLine(const Row& row)
{
    const QJsonObject object{
        {QStringLiteral("name"), row.name},
        {QStringLiteral("domain"), row.result->typed.isEmpty() ? row.result->domain : row.result->typed},
        {QStringLiteral("ascii"), row.result->domain},
        {QStringLiteral("status"), QString(row.status).replace(QLatin1Char(' '), QLatin1Char('-'))},
        {QStringLiteral("confirmedBy"), row.confirmedBy},
        {QStringLiteral("registrationSite"), row.registrationSite},
        {QStringLiteral("reason"), row.reason}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace ResultsText
