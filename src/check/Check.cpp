#include "check/Check.h"

#include "check/ResultsText.h"
#include "check/WhoisConfirmation.h"
#include "core/FileOps.h"
#include "core/Utils.h"

#include <QDir>

namespace {
QPointer<Check> g_current;
const QString CheckingCaption = QStringLiteral("Checking Domains");
} // namespace

Check::Settings Check::Settings::current()
{
    const Utils::Settings& stored = Utils::AppSettings;
    return {stored.NameServer,
            stored.QueryDelay,
            stored.Retries,
            stored.ConfirmWhois,
            Utils::PersonalSelectionInForce(),
            {}};
}

Check::Check(const Candidates::Result& names, const Settings& settings, QObject* parent)
    : QObject(parent), m_settings(settings),
      m_plan(RunPlan::make(names.names, names.bareNames, settings.personalSelection, names.typed, settings.suffixes))
{
    g_current = this;
    if (m_plan.refusal == RunPlan::Refusal::None)
        m_plan.fill(m_results);
}

QString Check::refusal(const Candidates::Result& names, const Settings& settings)
{
    return RunPlan::make(names.names, names.bareNames, settings.personalSelection, names.typed, settings.suffixes)
        .refusalText();
}

Check::~Check()
{
    cancel();
}

Check* Check::current()
{
    return g_current;
}

void Check::setPhase(RunPhase phase)
{
    if (m_phase == phase)
        return;
    m_phase = phase;
    Q_EMIT phaseChanged(phase);
}

void Check::start()
{
    if (m_phase != RunPhase::Idle || m_run)
        return;
    if (m_plan.refusal != RunPlan::Refusal::None) {
        Q_EMIT failed(Failure::Refused, m_plan.refusalText());
        return;
    }
    m_run = std::make_unique<CheckRun>(m_results,
                                       m_plan.setup(m_settings.nameServer, m_settings.queryDelay, m_settings.retries));
    // Every answer is in the table at once; a window may paint it later.
    connect(m_run.get(), &CheckRun::cellAnswered, this, [this](int column, int row, int replies) {
        Q_EMIT cellChanged(column, row);
        Q_EMIT progress(replies, m_plan.candidateTotal() + 1, CheckingCaption);
    });
    connect(m_run.get(), &CheckRun::completed, this, &Check::onRunCompleted);
    connect(m_run.get(), &CheckRun::failed, this, &Check::onRunFailed);
    setPhase(RunPhase::Checking);
    Q_EMIT progress(0, m_plan.candidateTotal() + 1, CheckingCaption);
    m_run->start();
}

void Check::onRunFailed(CheckRun::Failure failure, const QString& text)
{
    switch (failure) {
    case CheckRun::Failure::Network:
        setPhase(RunPhase::NetworkFailed);
        Q_EMIT failed(Failure::Network, text);
        return;
    case CheckRun::Failure::Send:
        setPhase(RunPhase::Idle);
        Q_EMIT failed(Failure::Send, text);
        return;
    case CheckRun::Failure::Socket:
        Q_EMIT failed(Failure::Socket, text);
        return;
    }
}

void Check::onRunCompleted()
{
    const QStringList notes = m_run->notes(m_settings.nameServer);
    const QPointer<Check> self(this);
    if (m_settings.confirmWhois)
        WhoisChecks();
    else
        finish();
    for (const QString& text : notes) {
        if (self)
            Q_EMIT note(text);
    }
}

void Check::WhoisChecks()
{
    m_confirmation.reset();
    m_progress = 0;
    m_confirmation = std::make_unique<WhoisConfirmation>(m_results, m_plan.columns(), m_plan.rows());
    const int maximum = m_plan.candidateTotal() + 1;
    connect(m_confirmation.get(), &WhoisConfirmation::asking, this, [this, maximum](int, int, const QString& caption) {
        m_caption = caption;
        Q_EMIT progress(m_progress, maximum, caption);
    });
    connect(m_confirmation.get(), &WhoisConfirmation::cellChanged, this, &Check::cellChanged);
    connect(m_confirmation.get(), &WhoisConfirmation::advanced, this, [this, maximum] {
        m_progress = qMin(m_progress + 1, maximum);
        Q_EMIT progress(m_progress, maximum, m_caption);
    });
    connect(m_confirmation.get(), &WhoisConfirmation::finished, this, [this] {
        const QString failures = m_confirmation->failureNote();
        const QPointer<Check> self(this);
        finish();
        if (self && !failures.isEmpty())
            Q_EMIT note(failures);
    });
    setPhase(RunPhase::Confirming);
    m_caption = QStringLiteral("WHOIS checking");
    Q_EMIT progress(0, maximum, m_caption);
    m_confirmation->start();
}

void Check::finish()
{
    setPhase(RunPhase::Done);
    Q_EMIT finished();
}

void Check::cancel()
{
    if (m_run)
        m_run->cancel();
    if (m_confirmation)
        m_confirmation->cancel();
    if (m_phase != RunPhase::Done)
        m_phase = RunPhase::Idle;
}

Check::Progress Check::runProgress() const
{
    Progress progress;
    progress.total = m_results.columnCount() * m_results.rowCount();
    int pending = 0;
    for (int c = 1; c <= m_results.columnCount(); ++c) {
        for (int r = 1; r <= m_results.rowCount(); ++r)
            pending += m_results(c, r).status == Pending;
    }
    progress.checked = progress.total - pending;
    progress.passes = qMax(1, m_settings.retries);
    progress.pass = m_run ? qMin(m_run->pass(), progress.passes) : 1;
    // Every pending candidate may be asked in every pass still to come, and each pass ends with its pause.
    const int passesLeft = progress.passes - progress.pass + 1;
    progress.msLeft = qint64(pending * passesLeft + RunSchedule::PauseTicks * passesLeft + RunSchedule::DrainTicks) *
                      qMax(1, m_settings.queryDelay);
    return progress;
}

QString Check::save(const QString& path) const
{
    const QByteArray bytes = ResultsText::csv(m_results, m_plan.columns(), m_plan.rows(), m_plan.typed);
    const QString error = FileOps::writeWhole(path, bytes);
    if (error.isEmpty())
        return error;
    return QStringLiteral("The results could not be saved to:\r") + QDir::toNativeSeparators(path) + QLatin1Char('\r') +
           error;
}

namespace Utils {
bool CheckRunning()
{
    const Check* check = Check::current();
    return check && (check->phase() == RunPhase::Checking || check->phase() == RunPhase::NetworkFailed);
}
} // namespace Utils
