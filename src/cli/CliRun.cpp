#include "cli/CliRun.h"

#include "check/Check.h"
#include "check/ResultsText.h"
#include "core/Candidates.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/ProgramState.h"
#include "core/Utils.h"

#include <QIODevice>

namespace {
// A message box's text on one line.
QString oneLine(const QString& text)
{
    return displayText(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
}
} // namespace

CliRun::CliRun(const CliOptions& options, QIODevice* out, QIODevice* err, bool errIsTerminal, const Check::Io& io,
               QObject* parent)
    : QObject(parent), m_options(options), m_io(io), m_out(out), m_err(err), m_errIsTerminal(errIsTerminal)
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
    if (m_progressShown) // the progress line is redrawn after the message
        m_err->write("\r\x1b[K");
    m_err->write(oneLine(text).toUtf8() + '\n');
}

void CliRun::end(int status)
{
    if (m_ended)
        return;
    m_ended = true;
    m_progress.stop();
    if (m_progressShown)
        m_err->write("\r\x1b[K");
    // After the current event: whoever started the run hears the end after start() has returned.
    QTimer::singleShot(0, this, [this, status] { Q_EMIT finished(status); });
}

bool CliRun::applySettings()
{
    // Read as the window reads them; nothing is written.
    const ProgramState state = ProgramState::load(ProgramState::FrontEnd::Terminal);
    if (state.loadError) {
        say(Utils::loadErrorCaption() + QLatin1Char(' ') + *state.loadError);
        return false;
    }
    for (const QString& warning : state.warnings)
        say(warning);
    m_personal = Utils::PersonalSelectionInForce();
    if (m_options.domains != CliOptions::Domains::Stored)
        m_personal = m_options.domains == CliOptions::Domains::Personal;
    if (!m_options.server.isEmpty())
        Utils::AppSettings.NameServer = m_options.server;
    if (m_options.delay)
        Utils::AppSettings.QueryDelay = qint16(*m_options.delay);
    if (m_options.retries)
        Utils::AppSettings.Retries = quint8(*m_options.retries);
    if (m_options.confirm)
        Utils::AppSettings.ConfirmWhois = *m_options.confirm;
    m_suffixes = m_options.tlds.isEmpty() ? Utils::SelectedSuffixes(m_personal) : QStringList();
    for (const QString& tld : m_options.tlds) {
        const std::optional<QStringList> suffixes = Utils::SuffixesFor(tld);
        if (!suffixes) {
            say(QStringLiteral("Unknown top-level domain: %1").arg(tld));
            m_unknownTld = true;
            return false;
        }
        for (const QString& suffix : *suffixes) {
            if (!m_suffixes.contains(suffix))
                m_suffixes.append(suffix);
        }
    }
    return true;
}

void CliRun::start(const QByteArray& input)
{
    if (!applySettings()) {
        end(m_unknownTld ? Refused : Failed);
        return;
    }
    QStringList texts = m_options.names;
    texts.removeAll(QStringLiteral("-"));
    // Lines and tabs of a file separate names as blanks do.
    texts.append(QString::fromUtf8(input)
                     .replace(QLatin1Char('\r'), QLatin1Char(' '))
                     .replace(QLatin1Char('\n'), QLatin1Char(' '))
                     .replace(QLatin1Char('\t'), QLatin1Char(' ')));
    const Candidates::Result names = Candidates::build(texts.join(QLatin1Char(' ')), m_options.combinations,
                                                       Utils::CheckListSize, Utils::AppSettings.CheckWithDashes);
    switch (names.verdict) {
    case Candidates::Verdict::Accepted:
        break;
    case Candidates::Verdict::Empty:
        say(QStringLiteral("No names to check. Try 'orlevan-cli --help'."));
        return end(Refused);
    case Candidates::Verdict::IllegalCharacter:
        say(Candidates::illegalCharacterText());
        return end(Refused);
    case Candidates::Verdict::TooLong:
        say(Candidates::tooLongText(names.refusedName));
        return end(Refused);
    case Candidates::Verdict::Unregistrable:
        say(Candidates::unregistrableText(names.refusedName, names.reason));
        return end(Refused);
    case Candidates::Verdict::TooMany:
        say(Candidates::tooManyText(names.entriesNeeded, Utils::CheckListSize));
        return end(Refused);
    }
    m_check = new Check(Check::Inputs::ofProgram(names, m_suffixes, m_personal && m_options.tlds.isEmpty(),
                                                 Utils::AppSettings, m_options.port, m_io.rdap),
                        m_io);
    connect(m_check, &Check::note, this, &CliRun::say);
    connect(m_check, &Check::failed, this, [this](Check::Failure failure, const QString& text) {
        say(text);
        // Nothing was asked when the run could not start; after a failed send, what was found is printed.
        if (failure == Check::Failure::Refused || failure == Check::Failure::Network)
            end(failure == Check::Failure::Refused ? Refused : Failed);
        else if (failure == Check::Failure::Send)
            finishCheck(Failed);
    });
    connect(m_check, &Check::finished, this, [this] { finishCheck(AllChecked); });
    if (m_errIsTerminal)
        m_progress.start();
    m_check->start();
}

void CliRun::interrupt()
{
    if (!m_check || m_ended)
        return end(Interrupted);
    finishCheck(Interrupted);
}

void CliRun::finishCheck(int status)
{
    if (m_ended || !m_check)
        return;
    m_check->cancel();
    const QByteArray bytes = results();
    if (m_options.output.isEmpty()) {
        m_out->write(bytes);
    } else if (const std::optional<QString> error = FileOps::writeWhole(m_options.output, bytes)) {
        say(QStringLiteral("The results could not be saved to:\r") + m_options.output + QLatin1Char('\r') + *error);
        return end(Failed);
    }
    if (status == AllChecked) {
        const CheckResultTable& table = m_check->CheckResults();
        for (int c = 1; c <= table.columnCount() && status == AllChecked; ++c) {
            for (int r = 1; r <= table.rowCount(); ++r)
                status = table(c, r).status == Free || table(c, r).status == Taken ? status : SomeNotChecked;
        }
    }
    end(status);
}

QByteArray CliRun::results() const
{
    // What was not answered by now was not checked.
    CheckResultTable table = m_check->CheckResults();
    for (int c = 1; c <= table.columnCount(); ++c) {
        for (int r = 1; r <= table.rowCount(); ++r)
            table(c, r).status = table(c, r).status == Pending ? quint8(NotChecked) : table(c, r).status;
    }
    QList<ResultsText::Row> rows = ResultsText::rows(table, m_check->plan());
    if (m_options.only) {
        const QString wanted = QString(*m_options.only).replace(QLatin1Char('-'), QLatin1Char(' '));
        rows.removeIf([&](const ResultsText::Row& row) { return row.status != wanted; });
    }
    switch (m_options.format) {
    case CliOptions::Format::Csv:
        return ResultsText::csv(rows);
    case CliOptions::Format::Json: {
        QByteArray out;
        for (const ResultsText::Row& row : rows)
            out += ResultsText::jsonLine(row);
        return out;
    }
    case CliOptions::Format::Text:
        break;
    }
    QByteArray out;
    for (const ResultsText::Row& row : rows)
        out += ResultsText::copyLine(*row.result, row.registrationSite).chopped(2).toUtf8() + '\n';
    return out;
}

void CliRun::showProgress()
{
    if (!m_check || m_check->phase() != RunPhase::Checking)
        return;
    const Check::Progress progress = m_check->progress();
    m_err->write(QStringLiteral("\r\x1b[Kchecked %1 of %2, pass %3 of %4, about %5 s left")
                     .arg(progress.checked)
                     .arg(progress.total)
                     .arg(progress.pass)
                     .arg(progress.passes)
                     .arg((progress.msLeft + 999) / 1000)
                     .toUtf8());
    m_progressShown = true;
}
