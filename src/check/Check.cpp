#include "check/Check.h"

#include "check/ResultsText.h"
#include "check/WhoisConfirmation.h"
#include "core/FileOps.h"

#include <QDir>
#include <QPointer>

namespace {
const QString CheckingCaption = QStringLiteral("Checking Domains");
} // namespace

Check::Check(const Inputs& inputs, const Io& io, QObject* parent)
    : QObject(parent), m_inputs(inputs), m_io(io), m_plan(RunPlan::make(inputs)), m_caption(CheckingCaption)
{
    qRegisterMetaType<Check::Progress>();
    if (m_plan.refusal == RunPlan::Refusal::None)
        m_plan.fill(m_results);
}

Check::~Check()
{
    cancel();
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
    m_run = std::make_unique<CheckRun>(m_results, m_plan.setup(m_inputs), m_io.dns);
    // Every answer is in the table at once; a window may paint it later.
    connect(m_run.get(), &CheckRun::cellAnswered, this, [this](int column, int row, int replies) {
        Q_EMIT cellChanged(column, row);
        reportProgress(replies, CheckingCaption);
    });
    connect(m_run.get(), &CheckRun::completed, this, &Check::onRunCompleted);
    connect(m_run.get(), &CheckRun::failed, this, &Check::onRunFailed);
    setPhase(RunPhase::Checking);
    reportProgress(0, CheckingCaption);
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
    const QStringList notes = m_run->notes(m_inputs.nameServer);
    const QPointer<Check> self(this);
    if (m_inputs.confirm)
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
    m_confirmation = std::make_unique<WhoisConfirmation>(m_results, m_plan, m_io.whois, m_io.rdap);
    connect(m_confirmation.get(), &WhoisConfirmation::asking, this,
            [this](int, int, const QString& caption) { reportProgress(m_value, caption); });
    connect(m_confirmation.get(), &WhoisConfirmation::pausing, this, [this](const QString& server, int ms) {
        reportProgress(m_value,
                       QStringLiteral("WHOIS : %1 asked for a pause of %2 s").arg(server).arg((ms + 999) / 1000));
    });
    connect(m_confirmation.get(), &WhoisConfirmation::cellChanged, this, &Check::cellChanged);
    connect(m_confirmation.get(), &WhoisConfirmation::advanced, this,
            [this] { reportProgress(qMin(m_value + 1, progress().maximum), m_caption); });
    connect(m_confirmation.get(), &WhoisConfirmation::finished, this, [this] {
        const QString failures = m_confirmation->failureNote();
        const QPointer<Check> self(this);
        finish();
        if (self && !failures.isEmpty())
            Q_EMIT note(failures);
    });
    setPhase(RunPhase::Confirming);
    reportProgress(0, QStringLiteral("WHOIS checking"));
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

void Check::reportProgress(int value, const QString& caption)
{
    m_value = value;
    m_caption = caption;
    Q_EMIT progressChanged(progress());
}

Check::Progress Check::progress() const
{
    Progress progress;
    progress.value = m_value;
    progress.maximum = m_plan.candidateTotal() + 1;
    progress.caption = m_caption;
    progress.total = m_plan.candidateTotal();
    const bool answered = m_run && m_run->state() == CheckRun::State::Completed;
    progress.checked = answered ? progress.total : repliesReceived();
    progress.passes = m_inputs.passes;
    progress.pass = m_run ? qMin(m_run->pass(), progress.passes) : 1;
    // What is still to be sent in this pass and what went unanswered before, once each: with few losses, the
    // passes to come ask next to nothing. The made-up names and controls go first, one per suffix each. Each pass
    // ends with its pause, the run with its drain.
    const int canaries = answered ? 0 : m_run ? m_run->canariesUnanswered() : int(m_plan.canaries.size());
    const int pending = progress.total - progress.checked + canaries;
    const int passesLeft = progress.passes - progress.pass + 1;
    progress.msLeft =
        qint64(pending + RunSchedule::PauseTicks * passesLeft + RunSchedule::DrainTicks) * m_inputs.delayMs;
    return progress;
}

std::optional<QString> Check::save(const QString& path) const
{
    const std::optional<QString> error =
        FileOps::writeWhole(path, ResultsText::csv(ResultsText::rows(m_results, m_plan)));
    if (!error)
        return std::nullopt;
    return QStringLiteral("The results could not be saved to:\r") + QDir::toNativeSeparators(path) + QLatin1Char('\r') +
           *error;
}
