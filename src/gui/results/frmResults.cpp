#include "gui/results/frmResults.h"

#include "check/ResultsLayout.h"
#include "check/ResultsText.h"
#include "check/WhoisConfirmation.h"
#include "core/AppInfo.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/Release.h"
#include "core/Units.h"
#include "gui/app/Forms.h"
#include "gui/results/CellPopup.h"
#include "gui/results/ResultGrid.h"
#include "gui/results/ResultsSizing.h"
#include "gui/results/frmDetails.h"
#include "gui/shell/Menus.h"
#include "gui/shell/MessageQueue.h"
#include "gui/shell/modHTMLHelp.h"
#include "whois/RdapBootstrap.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QTimer>

frmResults::frmResults(QWidget* parent)
    : QMainWindow(parent), m_messages(new MessageQueue(this)), m_repaint(1000 / 30, this, [this] {
          Resultgrid->flush();
          ProgressBar->setValue(RepliesReceived);
          if (m_check && m_check->phase() == RunPhase::Checking) {
              const Check::Progress progress = m_check->runProgress();
              ProgressBar->setFormat(ResultsText::progressText(progress.checked, progress.total, progress.msLeft));
          }
      })
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
    connect(mnuPopup->mnuGoto, &QAction::triggered, this, &frmResults::mnuGoto_Click);
    connect(mnuPopup->mnuWww, &QAction::triggered, this, &frmResults::mnuWww_Click);
    connect(mnuPopup->mnuWhois2, &QAction::triggered, this, &frmResults::mnuWhois2_Click);
    connect(mnuPopup->mnuDetails, &QAction::triggered, this, &frmResults::mnuDetails_Click);
}

void frmResults::setMenusEnabled(bool enabled)
{
    for (QMenu* menu : {mnuFile, mnuEdit, mnuTools})
        menu->menuAction()->setEnabled(enabled);
}

void frmResults::GetData(const Candidates::Result& names)
{
    releaseCheck();
    auto* check = new Check(names, Check::Settings::current(), this);
    m_check = check;
    const RunPlan& plan = check->plan();
    ColumnCount = plan.columns();
    CandidateTotal = plan.candidateTotal();
    RepliesReceived = 0;
    butCancelOk->setText(QStringLiteral("Cancel"));
    m_escape->setEnabled(true);
    setWindowTitle(AppInfo::Title + QStringLiteral(" results"));
    setMenusEnabled(false);
    connect(check, &Check::cellChanged, this, &frmResults::onCellChanged);
    connect(check, &Check::progress, this, &frmResults::onProgress);
    connect(check, &Check::phaseChanged, this, &frmResults::onPhaseChanged);
    connect(check, &Check::failed, this, &frmResults::onFailed);
    connect(check, &Check::note, this, [this](const QString& text) { m_messages->tell(text, Platform::Warning); });
    if (plan.refusal == RunPlan::Refusal::None) {
        ProgressBar->setVisible(true);
        Resultgrid->fill(plan);
        ColumnLabels = QStringList{QString()} + (plan.bareNames ? plan.columnLabels : QStringList());
        m_sizing->LayoutGrid(ColumnCount);
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
    Resultgrid->mark(column, row, m_check->CheckResults()(column, row).status);
}

void frmResults::onProgress(int value, int maximum, const QString& caption)
{
    if (!WhoisPhase()) {
        RepliesReceived = qint16(value);
        m_repaint.poke();
        return;
    }
    ProgressBar->setRange(0, maximum);
    ProgressBar->setValue(value);
    ProgressBar->setFormat(caption);
}

void frmResults::onPhaseChanged(RunPhase phase)
{
    if (phase == RunPhase::Checking) {
        ProgressBar->setRange(0, CandidateTotal + 1);
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
        m_messages->tell(text, Platform::Critical, [this] { close(); });
        return;
    case Check::Failure::Send:
        // Nothing more can be checked: the window ends with the message.
        m_messages->tell(text, Platform::Critical, [this] { close(); });
        return;
    case Check::Failure::Network:
        m_messages->tell(text, Platform::Critical);
        return;
    case Check::Failure::Socket:
        m_messages->tell(text, Platform::NoIcon);
        return;
    }
}

void frmResults::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (m_sizing)
        m_sizing->Form_Resize();
}

void frmResults::ShowCell(int column, int row)
{
    Resultgrid->paint(column, row, m_check->CheckResults()(column, row).status);
}

void frmResults::ShowAllCells()
{
    Resultgrid->setUpdatesEnabled(false);
    for (int c = 1; c <= ColumnCount; ++c) {
        for (int r = 1; r <= Resultgrid->rowCount(); ++r)
            Resultgrid->mark(c, r, m_check->CheckResults()(c, r).status);
    }
    Resultgrid->flush();
    Resultgrid->setUpdatesEnabled(true);
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

const CheckResult* frmResults::popupResult() const
{
    if (!m_check)
        return nullptr;
    const CheckResultTable& table = m_check->CheckResults();
    if (m_popupColumn < 1 || m_popupColumn > table.columnCount() || m_popupRow < 1 || m_popupRow > table.rowCount())
        return nullptr;
    return &table(m_popupColumn, m_popupRow);
}

void frmResults::Resultgrid_EnterCell(int column, int row)
{
    if (!RunPhases::popupAllowed(phase(), Utils::CheckRunning()))
        return;
    m_popupColumn = column;
    m_popupRow = row;
    const CheckResult* result = popupResult();
    if (!result)
        return;
    CurrentTld = Utils::DomainTable[Utils::FindTld(result->tld)];
    const QString label = ResultsText::columnLabel(m_check->plan().bareNames, ColumnLabels, m_popupColumn, result->tld);
    const bool rdap = result->status == Taken && !Rdap::loadBootstrap().serviceFor(result->domain).isEmpty();
    mnuPopup->open(ResultsText::popup(*result, CurrentTld, label, rdap), CurrentTld.DisplayInfo);
}

void frmResults::mnuGoto_Click()
{
    if (ResultsText::hasRegistrationSite(CurrentTld.RegistrationSite))
        Platform::instance().openAddress(CurrentTld.RegistrationSite);
}

void frmResults::mnuWww_Click()
{
    if (const CheckResult* result = popupResult())
        Platform::instance().openAddress(QStringLiteral("www.") + result->domain);
}

void frmResults::mnuWhois2_Click()
{
    if (const CheckResult* result = popupResult())
        Q_EMIT whoisLookupRequested(result->domain);
}

void frmResults::mnuDetails_Click()
{
    const CheckResult* result = popupResult();
    if (frmDetails* details = result ? frmDetails::open(*result, this) : nullptr)
        connect(details, &frmDetails::whoisLookupRequested, this, &frmResults::whoisLookupRequested);
}

void frmResults::mnuCopy_Click()
{
    if (!m_check)
        return;
    Platform::instance().setClipboardText(
        ResultsText::copyText(m_check->CheckResults(), ColumnCount, Resultgrid->rowCount()));
    Platform::instance().messageBox(QStringLiteral("Results have been copied to the clipboard."), Platform::Ok,
                                    Platform::NoIcon, AppInfo::Title);
}

void frmResults::mnuSave_Click()
{
    const QString folder = Utils::GetSetting(QStringLiteral("main"), QStringLiteral("SaveFolder"),
                                             QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    const QString path = Platform::instance().saveFileName(
        QStringLiteral("Save results"), folder + QStringLiteral("/orlevan-results.csv"), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty() || !m_check)
        return;
    if (const QString error = m_check->save(path); !error.isEmpty())
        Platform::instance().messageBox(error, Platform::Ok, Platform::Critical, AppInfo::Title);
    else
        Forms::warnIf(
            Utils::SaveSetting(QStringLiteral("main"), QStringLiteral("SaveFolder"), QFileInfo(path).absolutePath()));
}
