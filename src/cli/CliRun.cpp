#include "cli/CliRun.h"

#include "check/Check.h"
#include "check/ResultsText.h"
#include "cli/CliSettings.h"
#include "core/Platform.h"
#include "core/Utils.h"
#include "dns/DNS.h"
#include "dns/RunSchedule.h"
#include "whois/RdapBootstrap.h"

#include <QIODevice>
#include <QRegularExpression>

#include <csignal>

QString CliRun::forTerminal(const QString& text)
{
    QString shown = displayText(text);
    static const QRegularExpression dnsMenu(QStringLiteral(" under (options->DNS options|Options, DNS Settings)\\.?"));
    shown.replace(dnsMenu, QStringLiteral(" with --server."));
    shown.replace(QStringLiteral(" under options->Domains to search"), QStringLiteral(" with --tld."));
    QStringList lines;
    for (const QString& raw : shown.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QString line = raw.trimmed();
        if (!line.isEmpty() && !QStringLiteral(".!?:-").contains(line.back()))
            line += QLatin1Char('.');
        lines.append(line);
    }
    return lines.join(QLatin1Char(' '));
}

namespace {
// The table as printed: what was not answered by now was not checked.
CheckResultTable settled(CheckResultTable table)
{
    for (int c = 1; c <= table.columnCount(); ++c) {
        for (int r = 1; r <= table.rowCount(); ++r)
            table(c, r).status = table(c, r).status == Pending ? quint8(NotChecked) : table(c, r).status;
    }
    return table;
}
} // namespace

CliRun::CliRun(const CliOptions& options, QIODevice* out, QIODevice* err, const Terminal& terminal, const Check::Io& io,
               QObject* parent)
    : QObject(parent), m_options(options), m_io(io), m_err(err), m_terminal(terminal), m_output(out, options.output)
{
    m_progress.setInterval(100); // at most ten times a second
    connect(&m_progress, &QTimer::timeout, this, &CliRun::showProgress);
}

CliRun::~CliRun()
{
    delete m_check;
}

void CliRun::say(const QString& text)
{
    clearProgress(); // redrawn at the next tick
    m_err->write(QStringLiteral("orlevan-cli: ").toUtf8() + forTerminal(text).toUtf8() + '\n');
}

void CliRun::clearProgress()
{
    if (m_progressWidth == 0)
        return;
    m_err->write(m_terminal.escapes ? QByteArray("\r\x1b[K") : '\r' + QByteArray(m_progressWidth, ' ') + '\r');
    m_progressWidth = 0;
}

void CliRun::end(int status)
{
    if (m_ended)
        return;
    m_ended = true;
    m_progress.stop();
    clearProgress();
    // After the current event: whoever started the run hears the end after start() has returned.
    QTimer::singleShot(0, this, [this, status] { Q_EMIT finished(status); });
}

std::optional<CliRun::Status> CliRun::applySettings()
{
    if (!CliSettings::load(m_options, [this](const QString& text) { say(text); }))
        return Failed;
    m_personal = Utils::PersonalSelectionInForce();
    if (m_options.domains != CliOptions::Domains::Stored)
        m_personal = m_options.domains == CliOptions::Domains::Personal;
    m_suffixes = m_options.tlds.isEmpty() ? Utils::SelectedSuffixes(m_personal) : QStringList();
    for (const QString& tld : m_options.tlds) {
        const std::optional<QStringList> suffixes = Utils::SuffixesFor(tld);
        if (!suffixes) {
            say(QStringLiteral("--tld: unknown top-level domain %1").arg(tld));
            return Refused;
        }
        for (const QString& suffix : *suffixes) {
            if (!m_suffixes.contains(suffix))
                m_suffixes.append(suffix);
        }
    }
    return std::nullopt;
}

void CliRun::start(const CliInput::Sources& sources)
{
    if (const std::optional<Status> failure = applySettings())
        return end(*failure);
    QString error;
    m_names = std::make_unique<CliInput::Prepared>(m_options.combinations, Utils::AppSettings.CheckWithDashes);
    std::optional<QString> unread =
        CliInput::forEachName(sources, [&](const CliInput::Name& name) { return m_names->add(name, &error); });
    if (unread || !error.isEmpty() || !m_names->finish(int(m_suffixes.size()), DNS::MaxCandidates, &error)) {
        say(unread ? *unread : error);
        return end(m_names->failed() ? Failed : Refused);
    }
    if (m_names->batches().isEmpty()) {
        say(QStringLiteral("No names to check. Try 'orlevan-cli --help'."));
        return end(Refused);
    }
    for (const CliInput::Prepared::Batch& batch : m_names->batches())
        m_candidatesTotal += int(batch.names * (batch.bare ? m_suffixes.size() : 1));
    if (const std::optional<QString> failure = m_output.open()) {
        say(*failure);
        return end(Failed);
    }
    // The directory of RDAP services serves confirmation alone.
    if (!Utils::AppSettings.ConfirmWhois)
        m_directory = RdapBootstrap();
    m_clock.start();
    if (m_terminal.isTerminal && !m_options.quiet)
        m_progress.start();
    startBatch();
}

void CliRun::startBatch()
{
    m_check = new Check(Check::Inputs::ofProgram(m_names->next(), m_suffixes, m_personal && m_options.tlds.isEmpty(),
                                                 Utils::AppSettings, m_options.port, m_io.rdap, &m_directory),
                        m_io, this);
    connect(m_check, &Check::note, this, [this](const QString& text) {
        // Silence is told as a failure at the end; every other note once, however many batches say it.
        if (m_options.quiet || m_said.contains(text) ||
            text == CheckRun::silentServerText(Utils::AppSettings.NameServer))
            return;
        m_said.insert(text);
        say(text);
    });
    connect(m_check, &Check::failed, this, [this](Check::Failure failure, const QString& text) {
        if (failure == Check::Failure::Socket)
            return;
        say(text);
        // Nothing was asked when the run could not start; after a failed send, what was found is written.
        m_status = failure == Check::Failure::Refused ? Refused : Failed;
        if (failure == Check::Failure::Send)
            return batchDone(true);
        m_output.abandon();
        end(m_status);
    });
    connect(m_check, &Check::finished, this, [this] { batchDone(false); });
    m_check->start();
}

void CliRun::interrupt(int signal)
{
    if (m_ended)
        return;
    m_status = 128 + signal;
    if (!m_check)
        return end(m_status);
    batchDone(true);
}

void CliRun::batchDone(bool stopped)
{
    if (m_ended || !m_check)
        return;
    Check* check = m_check;
    m_check = nullptr;
    check->cancel();
    check->deleteLater(); // it may be the sender of this call
    m_heard = m_heard || (check->run() && check->run()->heard());
    m_candidatesDone += check->plan().candidateTotal();
    if (!writeRows(settled(check->CheckResults()), check->plan()))
        return;
    // A server that heard none of the first batch will not hear the next: the rest is not asked.
    const bool deaf = !m_heard;
    if (++m_batch < m_names->batches().size() && !stopped && !deaf)
        return startBatch();
    for (; m_batch < m_names->batches().size(); ++m_batch) {
        const RunPlan plan = RunPlan::make(Check::Inputs::of(m_names->next(), m_suffixes, false, {}, 53, {}));
        CheckResultTable table;
        plan.fill(table);
        if (!writeRows(settled(table), plan))
            return;
    }
    if (const std::optional<QString> failure = m_output.finish()) {
        say(*failure);
        return end(Failed);
    }
    if (deaf && m_status == AllChecked) {
        say(CheckRun::silentServerText(Utils::AppSettings.NameServer));
        m_status = Failed;
    }
    if (m_terminal.isTerminal && !m_options.quiet) {
        clearProgress();
        m_err->write(QStringLiteral("orlevan-cli: %1 free, %2 taken, %3 not checked in %4 s\n")
                         .arg(m_counts[Free])
                         .arg(m_counts[Taken])
                         .arg(m_counts[NotChecked])
                         .arg((m_clock.elapsed() + 500) / 1000)
                         .toUtf8());
    }
    end(m_status == AllChecked && m_counts[NotChecked] > 0 ? int(SomeNotChecked) : m_status);
}

bool CliRun::writeRows(const CheckResultTable& table, const RunPlan& plan)
{
    QList<ResultsText::Row> rows = ResultsText::rows(table, plan);
    for (const ResultsText::Row& row : std::as_const(rows))
        ++m_counts[qMin<int>(row.result->status, NotChecked)];
    if (m_options.only) {
        const QString wanted = QString(*m_options.only).replace(QLatin1Char('-'), QLatin1Char(' '));
        rows.removeIf([&](const ResultsText::Row& row) { return row.status != wanted; });
    }
    QByteArray bytes;
    switch (m_options.format) {
    case CliOptions::Format::Csv:
        bytes = ResultsText::csv(rows);
        // One heading for the whole file.
        if (m_batch > 0)
            bytes = bytes.mid(bytes.indexOf("\r\n") + 2);
        break;
    case CliOptions::Format::Json:
        for (const ResultsText::Row& row : std::as_const(rows))
            bytes += ResultsText::jsonLine(row);
        break;
    case CliOptions::Format::Text:
        for (const ResultsText::Row& row : std::as_const(rows)) {
            bytes += ResultsText::copyLine(*row.result, row.registrationSite).toUtf8();
            bytes.chop(2); // a terminal's line ends in LF alone
            bytes += '\n';
        }
        break;
    }
    clearProgress();
    const std::optional<QString> failure = m_output.write(bytes);
    if (!failure)
        return true;
    // A reader that went away wants nothing more, not even a word.
    if (m_output.readerGone()) {
        end(128 + SIGPIPE);
        return false;
    }
    say(*failure);
    m_output.abandon();
    end(Failed);
    return false;
}

qint64 CliRun::msLeftAfterBatch() const
{
    long long ticks = 0;
    for (qsizetype b = m_batch + 1; b < m_names->batches().size(); ++b) {
        const CliInput::Prepared::Batch& batch = m_names->batches().at(b);
        // Each batch asks its made-up names and its suffixes too.
        const qsizetype asked = batch.bare ? (batch.names + 2) * m_suffixes.size() : batch.names;
        ticks += RunSchedule::ticksFor(asked, Utils::AppSettings.Retries);
    }
    return ticks * Utils::AppSettings.QueryDelay;
}

void CliRun::showProgress()
{
    if (!m_check)
        return;
    const Check::Progress progress = m_check->progress();
    QString text;
    if (m_check->phase() == RunPhase::Checking) {
        text = QStringLiteral("checked %1 of %2, ").arg(m_candidatesDone + progress.checked).arg(m_candidatesTotal);
        if (m_names->batches().size() > 1)
            text += QStringLiteral("batch %1 of %2, ").arg(m_batch + 1).arg(m_names->batches().size());
        text += QStringLiteral("pass %1 of %2, about %3 s left")
                    .arg(progress.pass)
                    .arg(progress.passes)
                    .arg((progress.msLeft + msLeftAfterBatch() + 999) / 1000);
    } else if (m_check->busy()) {
        text = QStringLiteral("confirming ") + progress.caption;
    }
    // One column short of the width: a full line would move the cursor to the next.
    text.truncate(qMax(0, m_terminal.columns() - 1));
    clearProgress();
    m_err->write('\r' + text.toUtf8());
    m_progressWidth = int(text.size());
}
