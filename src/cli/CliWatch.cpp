#include "cli/CliWatch.h"

#include "check/WatchText.h"
#include "cli/CliRun.h"
#include "cli/CliSettings.h"
#include "core/Utils.h"
#include "dns/CheckRun.h"
#include "whois/RdapDomain.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <csignal>

namespace {
QString statusWord(const CliWatch::Shown& shown)
{
    return Watch::stateText(shown.checked ? shown.entry.state : WatchEntry::State::NotChecked);
}
} // namespace

QByteArray CliWatch::line(const Shown& shown, const QDate& today)
{
    const WatchEntry& entry = shown.entry;
    QString text = entry.domain;
    if (entry.ascii != entry.domain.toLower())
        text += QStringLiteral(" (") + entry.ascii + QLatin1Char(')');
    if (!shown.checked) {
        text += QStringLiteral(" was not checked");
        if (!shown.why.isEmpty())
            text += QStringLiteral(": ") + (shown.why.endsWith(QLatin1Char('.')) ? shown.why.chopped(1) : shown.why);
    } else {
        text += QStringLiteral(" is ") + Watch::stateText(entry.state);
    }
    if (entry.state == WatchEntry::State::Taken) {
        QStringList details;
        if (!entry.registrar.isEmpty())
            details += QStringLiteral("registrar ") + entry.registrar;
        if (entry.expires.isValid())
            details += QStringLiteral("expires ") + entry.expires.toString(Qt::ISODate) + QStringLiteral(" (") +
                       RdapDomain::daysLeft(today, entry.expires) + QLatin1Char(')');
        else if (!entry.expiryLines.isEmpty())
            details += entry.expiryLines.first();
        if (!entry.registryStatus.isEmpty())
            details += QStringLiteral("status ") + entry.registryStatus.join(QStringLiteral(", "));
        if (!details.isEmpty())
            text += (shown.checked ? QStringLiteral(": ") : QStringLiteral("; last known: ")) +
                    details.join(QStringLiteral("; "));
    }
    text += QLatin1Char('.');
    if (!shown.changes.isEmpty())
        text += QStringLiteral(" Changed: ") + shown.changes.join(QStringLiteral("; ")) + QLatin1Char('.');
    return text.toUtf8() + '\n';
}

QByteArray CliWatch::json(const Shown& shown, const QDate& today)
{
    const WatchEntry& entry = shown.entry;
    const bool dated = entry.expires.isValid();
    const QJsonObject object{
        {QStringLiteral("domain"), entry.domain},
        {QStringLiteral("ascii"), entry.ascii},
        {QStringLiteral("status"), statusWord(shown).replace(QLatin1Char(' '), QLatin1Char('-'))},
        {QStringLiteral("registrar"), entry.registrar},
        {QStringLiteral("expires"), dated ? QJsonValue(entry.expires.toString(Qt::ISODate)) : QJsonValue()},
        {QStringLiteral("daysLeft"), dated ? QJsonValue(qint64(today.daysTo(entry.expires))) : QJsonValue()},
        {QStringLiteral("registryStatus"), QJsonArray::fromStringList(entry.registryStatus)},
        {QStringLiteral("checked"),
         entry.checked.isValid() ? QJsonValue(entry.checked.toUTC().toString(Qt::ISODate)) : QJsonValue()},
        {QStringLiteral("changed"), !shown.changes.isEmpty()},
        {QStringLiteral("change"), shown.changes.join(QStringLiteral("; "))},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

CliWatch::CliWatch(const CliOptions& options, QIODevice* out, QIODevice* err, const WatchCheck::Io& io,
                   const QString& listPath, QObject* parent)
    : QObject(parent), m_options(options), m_io(io), m_err(err), m_output(out, options.output), m_list(listPath)
{
}

CliWatch::~CliWatch()
{
    delete m_check;
}

void CliWatch::say(const QString& text)
{
    m_err->write(QStringLiteral("orlevan-cli: ").toUtf8() + CliRun::forTerminal(text).toUtf8() + '\n');
}

void CliWatch::end(int status)
{
    if (m_ended)
        return;
    m_ended = true;
    QTimer::singleShot(0, this, [this, status] { Q_EMIT finished(status); });
}

void CliWatch::start(const QList<CliInput::Name>& names)
{
    if (!CliSettings::load(m_options, [this](const QString& text) { say(text); }))
        return end(Failed);

    QList<CliInput::Item> items;
    if (m_options.watch != CliOptions::Watch::All) {
        QString error;
        const std::optional<QList<CliInput::Item>> prepared = CliInput::prepare(names, false, false, &error);
        if (!prepared || prepared->isEmpty()) {
            say(prepared ? QStringLiteral("No domain names given. Try 'orlevan-cli --help'.") : error);
            return end(Refused);
        }
        for (const CliInput::Item& item : *prepared) {
            if (item.bare) {
                say(WatchText::bareNameText(item.typed));
                return end(Refused);
            }
        }
        items = *prepared;
    }

    const QDateTime now = m_io.now ? m_io.now() : QDateTime::currentDateTime();
    QList<WatchEntry> entries;
    std::optional<QString> refusal;
    // The output is made before the list is changed: a name is never added without its line.
    std::optional<QString> failure = m_options.watch == CliOptions::Watch::Remove ? std::nullopt : m_output.open();
    if (failure) {
        say(*failure);
        return end(Failed);
    }
    switch (m_options.watch) {
    case CliOptions::Watch::Remove:
        failure = m_list.update([&](QList<WatchEntry>& list) {
            for (const CliInput::Item& item : std::as_const(items)) {
                if (!Watch::remove(list, item.ascii))
                    say(QStringLiteral("%1 is not watched.").arg(item.typed));
            }
            return true;
        });
        return end(failure ? (say(*failure), Failed) : AllChecked);
    case CliOptions::Watch::Add:
        failure = m_list.update([&](QList<WatchEntry>& list) {
            QList<std::pair<QString, QString>> names;
            for (const CliInput::Item& item : std::as_const(items))
                names.append({item.typed, item.ascii});
            refusal = Watch::addAll(list, names, now, &entries);
            return !refusal;
        });
        if (refusal) {
            m_output.abandon();
            say(*refusal);
            return end(Refused);
        }
        break;
    case CliOptions::Watch::All:
        failure = m_list.read(&entries);
        if (!failure && entries.isEmpty()) {
            if (!m_options.quiet)
                say(QStringLiteral("No names are watched; add some with --watch."));
            const std::optional<QString> written = m_output.finish();
            if (written)
                say(*written);
            return end(written ? Failed : AllChecked);
        }
        break;
    case CliOptions::Watch::None:
        break;
    }
    if (failure) {
        m_output.abandon();
        say(*failure);
        return end(Failed);
    }
    check(entries);
}

void CliWatch::check(const QList<WatchEntry>& entries)
{
    m_checking = entries;
    m_check =
        new WatchCheck(WatchCheck::inputsFor(entries, Utils::AppSettings, m_options.port, m_io.check.rdap), m_io, this);
    connect(m_check, &WatchCheck::note, this, [this](const QString& text) {
        if (text == CheckRun::silentServerText(Utils::AppSettings.NameServer) || !m_options.quiet)
            say(text);
        if (text == CheckRun::silentServerText(Utils::AppSettings.NameServer))
            m_status = Failed;
    });
    connect(m_check, &WatchCheck::failed, this, [this](const QString& text) {
        say(text);
        m_status = Failed;
    });
    connect(m_check, &WatchCheck::finished, this, &CliWatch::onChecked);
    m_check->start();
}

void CliWatch::interrupt(int signal)
{
    if (m_ended)
        return;
    m_status = 128 + signal;
    if (!m_check)
        return end(m_status);
    // What was seen so far is kept and printed; the names not reached yet stay as they were.
    m_check->cancel();
    onChecked();
}

void CliWatch::onChecked()
{
    if (m_ended || !m_check)
        return;
    WatchCheck* check = m_check;
    m_check = nullptr;
    check->deleteLater();
    // The changes are found against the list as it stands now: what another run has told already is not told
    // again; a name removed meanwhile is printed, but not put back.
    std::optional<QString> failure;
    const QList<Shown> shown = check->record(m_list, m_checking, &failure);
    if (failure) {
        say(*failure);
        m_status = m_status > Failed ? m_status : int(Failed);
    }
    for (const Shown& one : std::as_const(shown)) {
        if (!one.checked && m_status == AllChecked)
            m_status = SomeNotChecked;
    }
    if (!print(shown))
        return end(m_output.readerGone() ? 128 + SIGPIPE : int(Failed));
    end(m_status);
}

bool CliWatch::print(const QList<Shown>& shown)
{
    const QDate today = (m_io.now ? m_io.now() : QDateTime::currentDateTime()).date();
    QByteArray bytes;
    for (const Shown& one : shown) {
        if (m_options.only) {
            const bool wanted = *m_options.only == QLatin1String("changed")
                                    ? !one.changes.isEmpty()
                                    : statusWord(one).replace(QLatin1Char(' '), QLatin1Char('-')) == *m_options.only;
            if (!wanted)
                continue;
        }
        bytes += m_options.format == CliOptions::Format::Json ? json(one, today) : line(one, today);
    }
    std::optional<QString> failure = m_output.write(bytes);
    if (!failure)
        failure = m_output.finish();
    if (!failure)
        return true;
    // A reader that went away wants nothing more, not even a word.
    if (!m_output.readerGone())
        say(*failure);
    m_output.abandon();
    return false;
}
