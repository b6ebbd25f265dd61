#include "gui/results/frmResults.h"

#include "core/AppInfo.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/Release.h"
#include "core/Units.h"
#include "dns/CheckRun.h"
#include "gui/results/ResultGrid.h"
#include "check/ResultsLayout.h"
#include "check/ResultsText.h"

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
    : QMainWindow(parent), m_repaint(1000 / 30, this, [this] {
          Resultgrid->flush();
          ProgressBar->setValue(RepliesReceived);
      })
{
    setObjectName(QStringLiteral("frmResults"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Results"));
    buildControls();
    buildMenus();
}

frmResults::~frmResults()
{
    releaseConfirmation();
    releaseRun();
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
    auto addAction = [](QMenu* menu, const char* name, const QString& caption) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuSave = addAction(mnuFile, "mnuSave", QStringLiteral("&Save results..."));
    mnuExit = addAction(mnuFile, "mnuExit", QStringLiteral("E&xit"));
    mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuCopy = addAction(mnuEdit, "mnuCopy", QStringLiteral("&Copy list to Clipboard"));
    mnuTools = menuBar()->addMenu(QStringLiteral("&Tools"));
    mnuTools->setObjectName(QStringLiteral("mnuTools"));
    mnuWhois = addAction(mnuTools, "mnuWhois", QStringLiteral("&Whois Lookup"));
    // Pending events first: the menu closes before the window does.
    connect(mnuExit, &QAction::triggered, this,
            [this] { QTimer::singleShot(0, this, &frmResults::butCancelOk_Click); });
    connect(mnuCopy, &QAction::triggered, this, &frmResults::mnuCopy_Click);
    connect(mnuSave, &QAction::triggered, this, &frmResults::mnuSave_Click);
    connect(mnuWhois, &QAction::triggered, this, &frmResults::whoisWindowRequested);

    // Never in the menu bar; shown as the cell popup.
    mnuPopup = new QMenu(QStringLiteral("Popup"), this);
    mnuPopup->setObjectName(QStringLiteral("mnuPopup"));
    mnuTitle = addAction(mnuPopup, "mnuTitle", QString());
    mnuPopup->addSeparator()->setObjectName(QStringLiteral("div"));
    mnuDisplay = addAction(mnuPopup, "mnuDisplay", QString());
    mnuDisplay->setVisible(false);
    mnuGoto = addAction(mnuPopup, "mnuGoto", QString());
    mnuGoto->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    mnuGoto->setEnabled(false);
    // Ctrl+G also works with the popup closed, for the candidate of the last popup.
    QWidget::addAction(mnuGoto);
    mnuWww = addAction(mnuPopup, "mnuWww", QString());
    mnuWww->setVisible(false);
    mnuWhois2 = addAction(mnuPopup, "mnuWhois2", QString());
    connect(mnuGoto, &QAction::triggered, this, &frmResults::mnuGoto_Click);
    connect(mnuWww, &QAction::triggered, this, &frmResults::mnuWww_Click);
    connect(mnuWhois2, &QAction::triggered, this, &frmResults::mnuWhois2_Click);
}

void frmResults::setMenusEnabled(bool enabled)
{
    for (QMenu* menu : {mnuFile, mnuEdit, mnuTools})
        menu->menuAction()->setEnabled(enabled);
}

double frmResults::dpi() const
{
    const QScreen* where = screen();
    return where ? where->logicalDotsPerInch() : 96.0;
}

void frmResults::GetData()
{
    releaseRun();
    releaseConfirmation();
    m_phase = RunPhase::Checking;

    const RunPlan plan = RunPlan::current();
    ColumnCount = plan.columns();
    butCancelOk->setText(QStringLiteral("Cancel"));
    m_escape->setEnabled(true);
    setWindowTitle(AppInfo::Title + QStringLiteral(" results"));
    setMenusEnabled(false);
    RepliesReceived = 0;
    CandidateTotal = plan.candidateTotal();
    if (plan.refusal != RunPlan::Refusal::None) {
        refuse(plan.refusalText());
        return;
    }

    ProgressBar->setRange(0, CandidateTotal + 1);
    ProgressBar->setValue(0);
    ProgressBar->setFormat(QStringLiteral("Checking Domains"));
    ProgressBar->setVisible(true);
    Resultgrid->fill(plan);
    m_typedNames = plan.typed;
    ColumnLabels = QStringList{QString()} + (plan.bareNames ? plan.columnLabels : QStringList());
    LayoutGrid();
    CalcFormSize();
    const QSize extra = frameExtra();
    resize(Units::toPixels(DesiredWidth, dpi()) - extra.width(),
           Units::toPixels(DesiredHeight, dpi()) - extra.height());
    Form_Resize();

    plan.fill(CheckResults);
    auto* run = new CheckRun(CheckResults, plan.setup(Utils::AppSettings));
    m_run = run;
    // Every answer is in CheckResults at once; the grid and the bar follow at most thirty times a second.
    connect(run, &CheckRun::cellAnswered, this, [this](int column, int row, int replies) {
        RepliesReceived = qint16(replies);
        Resultgrid->mark(column, row, CheckResults(column, row).status);
        m_repaint.poke();
    });
    connect(run, &CheckRun::completed, this, &frmResults::onRunCompleted);
    connect(run, &CheckRun::networkFailed, this, [this] { m_phase = RunPhase::NetworkFailed; });
    connect(run, &CheckRun::sendFailed, this, &frmResults::butCancelOk_Click, Qt::QueuedConnection);
    run->start();
}

void frmResults::refuse(const QString& text)
{
    hide();
    const QPointer<frmResults> self(this);
    Platform::instance().messageBox(text, Platform::Ok, Platform::Critical, AppInfo::Title);
    if (self) // the box's own events may have closed it
        close();
}

void frmResults::LayoutGrid()
{
    std::vector<double> headings;
    for (int c = 1; c <= ColumnCount; ++c)
        headings.push_back(GetColwidth(qint16(c)) - 200);
    const ResultsLayout::Grid grid = ResultsLayout::layoutGrid(headings, Resultgrid->nameWidths(dpi()));
    Resultgrid->applyLayout(grid.columnWidths, ResultsLayout::RowHeight, dpi());
    ContentWidth = grid.contentWidth;
    ContentHeight = grid.contentHeight;
}

qint16 frmResults::GetColwidth(qint16 col) const
{
    const QTableWidgetItem* heading = Resultgrid->horizontalHeaderItem(col - 1);
    const QString text = heading ? heading->text() : QString();
    return qint16(ResultsLayout::colWidth(Units::toTwips(fontMetrics().horizontalAdvance(text), dpi())));
}

void frmResults::CalcFormSize()
{
    const QScreen* where = screen();
    const QSize screenPixels = where ? where->geometry().size() : QSize(1024, 768);
    const ResultsLayout::Size size = ResultsLayout::calcFormSize(
        ContentWidth, ContentHeight,
        {Units::toTwips(screenPixels.width(), dpi()), Units::toTwips(screenPixels.height(), dpi())});
    DesiredWidth = size.width;
    DesiredHeight = size.height;
}

QSize frmResults::frameExtra() const
{
    // The layout's sizes include the frame and title bar; Qt sizes the inside.
    return frameGeometry().size() - geometry().size();
}

void frmResults::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmResults::Form_Resize()
{
    if (m_resizing || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    const double screenDpi = dpi();
    const QSize extra = frameExtra();
    const QSize outer = size() + extra;
    const ResultsLayout::Resize rule =
        ResultsLayout::resizeRule({Units::toTwips(outer.width(), screenDpi), Units::toTwips(outer.height(), screenDpi)},
                                  {DesiredWidth, DesiredHeight}, ContentWidth);
    const auto px = [screenDpi](double twips) {
        return Units::toPixels(twips, screenDpi);
    };
    if (rule.snapped) {
        m_resizing = true;
        resize(px(rule.window.width) - extra.width(), px(rule.window.height) - extra.height());
        m_resizing = false;
    }
    if (!rule.placement)
        return;
    const ResultsLayout::Placement& place = *rule.placement;
    const int controlHeight = px(375);
    ProgressBar->setGeometry(px(60), px(place.progressTop), qMax(1, px(place.progressWidth)), controlHeight);
    butCancelOk->setGeometry(px(place.buttonLeft), px(place.buttonTop), px(1215), controlHeight);
    Resultgrid->setGeometry(0, 0, qMax(1, px(place.gridWidth)), qMax(1, px(place.gridHeight)));
}

void frmResults::ShowCell(int column, int row)
{
    Resultgrid->paint(column, row, CheckResults(column, row).status);
}

void frmResults::ShowAllCells()
{
    Resultgrid->setUpdatesEnabled(false);
    for (int c = 1; c <= ColumnCount; ++c) {
        for (int r = 1; r <= Resultgrid->rowCount(); ++r)
            Resultgrid->mark(c, r, CheckResults(c, r).status);
    }
    Resultgrid->flush();
    Resultgrid->setUpdatesEnabled(true);
}

void frmResults::onRunCompleted()
{
    m_repaint.flushNow();
    ShowAllCells();
    ProgressBar->setVisible(false);
    unsetCursor();
    Resultgrid->unsetCursor();
    setMenusEnabled(true);
    Utils::CheckRunning = false;
    const QStringList notes = m_run ? m_run->notes(Utils::AppSettings.NameServer) : QStringList();
    if (notes.isEmpty()) {
        afterRun();
        return;
    }
    // Said once, after the grid shows every candidate; shown outside the run's signal.
    QTimer::singleShot(0, this, [self = QPointer<frmResults>(this), notes] {
        for (const QString& note : notes) {
            if (self)
                Platform::instance().messageBox(note, Platform::Ok, Platform::Warning, AppInfo::Title);
        }
        if (self && self->m_phase == RunPhase::Checking)
            self->afterRun();
    });
}

void frmResults::afterRun()
{
    if (Utils::AppSettings.ConfirmWhois)
        WhoisChecks();
    else
        showClose();
}

void frmResults::WhoisChecks()
{
    releaseConfirmation();
    m_phase = RunPhase::Confirming;
    ProgressBar->setFormat(QStringLiteral("WHOIS checking"));
    ProgressBar->setVisible(true);
    ProgressBar->setValue(ProgressBar->minimum());
    setCursor(Qt::WaitCursor);

    auto* confirmation = new WhoisConfirmation(CheckResults, ColumnCount, Resultgrid->rowCount(), this);
    m_confirmation = confirmation;
    connect(confirmation, &WhoisConfirmation::asking, this,
            [this](int, int, const QString& caption) { ProgressBar->setFormat(caption); });
    connect(confirmation, &WhoisConfirmation::cellChanged, this, &frmResults::ShowCell);
    connect(confirmation, &WhoisConfirmation::advanced, this, [this] {
        if (ProgressBar->value() < ProgressBar->maximum())
            ProgressBar->setValue(ProgressBar->value() + 1);
    });
    connect(confirmation, &WhoisConfirmation::finished, this, &frmResults::whoisConfirmationFinished);
    confirmation->start();
}

void frmResults::whoisConfirmationFinished()
{
    releaseConfirmation();
    ProgressBar->setVisible(false);
    unsetCursor();
    showClose();
}

void frmResults::releaseConfirmation()
{
    releaseLater(m_confirmation, this, [](WhoisConfirmation* confirmation) { confirmation->cancel(); });
}

void frmResults::showClose()
{
    m_phase = RunPhase::Done;
    butCancelOk->setText(QStringLiteral("Close"));
    m_escape->setEnabled(false);
}

void frmResults::butCancelOk_Click()
{
    cancelLogic();
    close();
}

void frmResults::closeEvent(QCloseEvent* event)
{
    cancelLogic();
    event->accept();
    QMainWindow::closeEvent(event);
}

void frmResults::cancelLogic()
{
    if (WhoisPhase())
        releaseConfirmation();
    else
        releaseRun();
    if (m_phase != RunPhase::Done)
        m_phase = RunPhase::Idle;
}

void frmResults::releaseRun()
{
    if (!m_run)
        return;
    CheckRun* run = m_run;
    m_run = nullptr;
    run->disconnect(this);
    delete run;
}

const CheckResult* frmResults::popupResult() const
{
    if (m_popupColumn < 1 || m_popupColumn > ColumnCount || m_popupColumn > CheckResults.columnCount() ||
        m_popupRow < 1 || m_popupRow > Resultgrid->rowCount() || m_popupRow > CheckResults.rowCount())
        return nullptr;
    return &CheckResults(m_popupColumn, m_popupRow);
}

void frmResults::Resultgrid_EnterCell(int column, int row)
{
    if (!RunPhases::popupAllowed(m_phase, Utils::CheckRunning))
        return;
    m_popupColumn = column;
    m_popupRow = row;
    const CheckResult* result = popupResult();
    if (!result)
        return;
    CurrentTld = Utils::DomainTable[Utils::FindTld(result->tld)];
    const QString label = ResultsText::columnLabel(Utils::BareNames, ColumnLabels, m_popupColumn, result->tld);
    const ResultsText::Popup popup = ResultsText::popup(*result, CurrentTld, label);
    mnuTitle->setText(popup.title);
    mnuTitle->setEnabled(true);
    mnuTitle->setVisible(true);
    mnuDisplay->setText(CurrentTld.DisplayInfo);
    mnuDisplay->setVisible(popup.displayVisible);
    mnuGoto->setText(popup.gotoCaption);
    mnuGoto->setEnabled(popup.gotoEnabled);
    mnuWhois2->setText(popup.whoisCaption);
    mnuWww->setText(popup.wwwCaption);
    mnuWww->setVisible(popup.wwwVisible);
    mnuPopup->popup(QCursor::pos());
}

void frmResults::mnuGoto_Click()
{
    if (ResultsText::hasRegistrationSite(CurrentTld.RegistrationSite))
        Platform::instance().openUrl(CurrentTld.RegistrationSite);
}

void frmResults::mnuWww_Click()
{
    if (const CheckResult* result = popupResult())
        Platform::instance().openUrl(QStringLiteral("www.") + result->domain);
}

void frmResults::mnuWhois2_Click()
{
    if (const CheckResult* result = popupResult())
        Q_EMIT whoisLookupRequested(result->domain);
}

void frmResults::mnuCopy_Click()
{
    Platform::instance().setClipboardText(ResultsText::copyText(CheckResults, ColumnCount, Resultgrid->rowCount()));
    Platform::instance().messageBox(QStringLiteral("Results have been copied to the clipboard."), Platform::Ok,
                                    Platform::NoIcon, AppInfo::Title);
}

void frmResults::mnuSave_Click()
{
    const QString folder = Utils::GetSetting(QStringLiteral("main"), QStringLiteral("SaveFolder"),
                                             QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    const QString path = Platform::instance().saveFileName(
        QStringLiteral("Save results"), folder + QStringLiteral("/orlevan-results.csv"), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    const QByteArray bytes = ResultsText::csv(CheckResults, ColumnCount, Resultgrid->rowCount(), m_typedNames);
    if (const QString error = FileOps::writeWhole(path, bytes); !error.isEmpty()) {
        Platform::instance().messageBox(QStringLiteral("The results could not be saved to:\r") +
                                            QDir::toNativeSeparators(path) + QLatin1Char('\r') + error,
                                        Platform::Ok, Platform::Critical, AppInfo::Title);
        return;
    }
    Utils::SaveSetting(QStringLiteral("main"), QStringLiteral("SaveFolder"), QFileInfo(path).absolutePath());
}
