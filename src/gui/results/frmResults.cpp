#include "gui/results/frmResults.h"

#include "check/ResultsText.h"
#include "core/AppInfo.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/Utils.h"
#include "gui/app/Forms.h"
#include "gui/results/CellPopup.h"
#include "gui/results/ResultGrid.h"
#include "gui/results/ResultsModel.h"
#include "gui/results/ResultsSizing.h"
#include "gui/shell/Menus.h"
#include "gui/shell/MessageQueue.h"
#include "gui/shell/modHTMLHelp.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

frmResults::frmResults(QWidget* parent)
    : QMainWindow(parent), m_messages(new MessageQueue(this)),
      m_repaint(1000 / 30, this, [this] { repaintProgress(); }), m_repaintBar(1000 / 2, this, [this] { repaintBar(); })
{
    setObjectName(QStringLiteral("frmResults"));
    modHTMLHelp::addHelpKey(this, QStringLiteral("results.html"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Results"));
    buildControls();
    buildMenus();
    m_sizing = std::make_unique<ResultsSizing>(this, Resultgrid, ProgressBar, butCancelOk);
}

frmResults::~frmResults()
{
    releaseCheck();
}

void frmResults::buildControls()
{
    auto* central = new QWidget(this);
    Resultgrid = new ResultGrid(central);
    connect(Resultgrid, &ResultGrid::cellEntered, this, &frmResults::Resultgrid_EnterCell);
    connect(Resultgrid, &ResultGrid::copyRequested, this,
            [this](int c, int r) { CellPopup::copyDomain(m_check, c, r); });
    ProgressBar = new QProgressBar(central);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setVisible(false);
    butCancelOk = new QPushButton(QStringLiteral("Cancel"), central);
    butCancelOk->setObjectName(QStringLiteral("butCancelOk"));
    connect(butCancelOk, &QPushButton::clicked, this, &frmResults::butCancelOk_Click);
    m_escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(m_escape, &QShortcut::activated, butCancelOk, &QPushButton::click);
    setCentralWidget(central);
}

void frmResults::buildMenus()
{
    mnuFile = Menus::add(menuBar(), "mnuFile", QStringLiteral("&File"));
    mnuSave = Menus::add(mnuFile, "mnuSave", QStringLiteral("&Save results..."));
    mnuExit = Menus::add(mnuFile, "mnuExit", QStringLiteral("E&xit"));
    mnuEdit = Menus::add(menuBar(), "mnuEdit", QStringLiteral("&Edit"));
    mnuCopy = Menus::add(mnuEdit, "mnuCopy", QStringLiteral("&Copy list to Clipboard"));
    mnuTools = Menus::add(menuBar(), "mnuTools", QStringLiteral("&Tools"));
    mnuWhois = Menus::add(mnuTools, "mnuWhois", QStringLiteral("&Whois Lookup"));
    // Pending events first: the menu closes before the window does.
    connect(mnuExit, &QAction::triggered, this,
            [this] { QTimer::singleShot(0, this, &frmResults::butCancelOk_Click); });
    connect(mnuCopy, &QAction::triggered, this, &frmResults::mnuCopy_Click);
    connect(mnuSave, &QAction::triggered, this, &frmResults::mnuSave_Click);
    connect(mnuWhois, &QAction::triggered, this, &frmResults::whoisWindowRequested);

    // Never in the menu bar; shown as the cell popup.
    mnuPopup = new CellPopup(this);
    // Ctrl+G also works with the popup closed, for the candidate of the last popup.
    QWidget::addAction(mnuPopup->mnuGoto);
    connect(mnuPopup, &CellPopup::whoisLookupRequested, this, &frmResults::whoisLookupRequested);
}

void frmResults::setMenusEnabled(bool enabled)
{
    for (QMenu* menu : {mnuFile, mnuEdit, mnuTools})
        menu->menuAction()->setEnabled(enabled);
}

void frmResults::GetData(Check* check)
{
    releaseCheck();
    check->setParent(this);
    m_check = check;
    butCancelOk->setText(QStringLiteral("Cancel"));
    m_escape->setEnabled(true);
    setWindowTitle(AppInfo::Title + QStringLiteral(" results"));
    setMenusEnabled(false);
    connect(check, &Check::cellChanged, this, &frmResults::onCellChanged);
    connect(check, &Check::progressChanged, this, &frmResults::onProgress);
    connect(check, &Check::phaseChanged, this, &frmResults::onPhaseChanged);
    connect(check, &Check::failed, this, &frmResults::onFailed);
    connect(check, &Check::note, this, [this](const QString& text) { m_messages->tell(text, Platform::Warning); });
    Resultgrid->results()->setCheck(check);
    if (check->plan().refusal == RunPlan::Refusal::None) {
        ProgressBar->setVisible(true);
        m_sizing->LayoutGrid(check->plan().columns());
    }
    check->start();
}

void frmResults::onCellChanged(int column, int row)
{
    if (WhoisPhase()) {
        ShowCell(column, row);
        return;
    }
    // Every answer is in the table at once; the grid and the bar follow at most thirty times a second, from the
    // progress that comes with each answer.
    Resultgrid->mark(column, row);
}

// Cells follow every frame; the bar's count and time left twice a second, as often as anyone reads them. Each
// paint of the bar costs as much as a hundred answers.
void frmResults::repaintProgress()
{
    Resultgrid->flush();
    m_repaintBar.poke();
}

void frmResults::repaintBar()
{
    if (!m_check || m_check->phase() != RunPhase::Checking)
        return;
    // The text first: setValue paints at once when the bar grows, and so that one paint shows both.
    const Check::Progress progress = m_check->progress();
    ProgressBar->setFormat(ResultsText::progressText(progress.checked, progress.total, progress.msLeft));
    ProgressBar->setValue(progress.value);
}

void frmResults::onProgress(const Check::Progress& progress)
{
    if (!WhoisPhase()) {
        m_repaint.poke();
        return;
    }
    ProgressBar->setRange(0, progress.maximum);
    ProgressBar->setValue(progress.value);
    ProgressBar->setFormat(progress.caption);
}

void frmResults::onPhaseChanged(RunPhase phase)
{
    if (phase == RunPhase::Checking) {
        ProgressBar->setRange(0, m_check->progress().maximum);
        ProgressBar->setValue(0);
        ProgressBar->setFormat(QStringLiteral("Checking Domains"));
        return;
    }
    if (phase != RunPhase::Confirming && phase != RunPhase::Done)
        return;
    if (!mnuFile->menuAction()->isEnabled()) {
        // The run is over: every candidate shows its final picture.
        m_repaint.flushNow();
        ShowAllCells();
        setMenusEnabled(true);
    }
    if (phase == RunPhase::Confirming) {
        ProgressBar->setFormat(QStringLiteral("WHOIS checking"));
        setCursor(Qt::WaitCursor);
        return;
    }
    // The bar's place tells how the check came out.
    ProgressBar->setRange(0, 1);
    ProgressBar->setValue(1);
    ProgressBar->setFormat(ResultsText::summary(m_check->CheckResults()));
    unsetCursor();
    Resultgrid->unsetCursor();
    butCancelOk->setText(QStringLiteral("Close"));
    m_escape->setEnabled(false);
}

void frmResults::onFailed(Check::Failure failure, const QString& text)
{
    switch (failure) {
    case Check::Failure::Refused:
        hide();
        [[fallthrough]];
    case Check::Failure::Send:
        // Nothing more can be checked: the window ends with the message.
        m_messages->tell(text, Platform::Critical, [this] { close(); });
        return;
    case Check::Failure::Network: {
        // The bar says what happened instead of a time left that would never run down.
        const QString first = text.section(QLatin1Char('\r'), 0, 0);
        ProgressBar->setFormat(first.endsWith(QLatin1String(" - ")) ? first.chopped(3) : first);
        m_messages->tell(text, Platform::Critical);
        return;
    }
    case Check::Failure::Socket: {
        // Nothing goes out while the user reads about the socket.
        const QPointer<CheckRun> run = m_check->run();
        run->hold();
        m_messages->tell(text, Platform::NoIcon, [run] { run ? run->release() : void(); });
        return;
    }
    }
}

void frmResults::ShowCell(int column, int row)
{
    Resultgrid->paint(column, row);
}

void frmResults::ShowAllCells()
{
    Resultgrid->results()->showAll();
    Resultgrid->flush();
}

void frmResults::butCancelOk_Click()
{
    close();
}

void frmResults::closeEvent(QCloseEvent* event)
{
    if (m_check)
        m_check->cancel();
    event->accept();
    QMainWindow::closeEvent(event);
}

void frmResults::releaseCheck()
{
    if (!m_check)
        return;
    Check* check = m_check;
    m_check = nullptr;
    check->disconnect(this);
    check->cancel();
    check->deleteLater();
}

void frmResults::Resultgrid_EnterCell(int column, int row)
{
    if (m_check && !m_check->running() && !m_check->busy())
        mnuPopup->open(m_check, column, row);
}

void frmResults::mnuCopy_Click()
{
    if (!m_check)
        return;
    Platform::instance().setClipboardText(ResultsText::copyText(m_check->CheckResults(), m_check->plan()));
    Platform::instance().messageBox(QStringLiteral("Results have been copied to the clipboard."), Platform::Ok,
                                    Platform::NoIcon, AppInfo::Title);
}

void frmResults::mnuSave_Click()
{
    const QString folder = FileOps::offeredFolder(Utils::GetSetting(Utils::Key::SaveFolder));
    const QString path = Platform::instance().saveFileName(
        QStringLiteral("Save results"), folder + QStringLiteral("/orlevan-results.csv"), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty() || !m_check)
        return;
    if (const std::optional<QString> error = m_check->save(path))
        Platform::instance().messageBox(*error, Platform::Ok, Platform::Critical, AppInfo::Title);
    else
        Forms::warnIf(Utils::SaveSetting(Utils::Key::SaveFolder, QFileInfo(path).absolutePath()));
}
