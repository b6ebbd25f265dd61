#include "gui/results/frmResults.h"

#include "gui/app/Forms.h"
#include "core/AppInfo.h"
#include "core/FileOps.h"
#include "core/Platform.h"
#include "core/Release.h"
#include "core/Units.h"
#include "check/WhoisConfirmation.h"
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
    connect(check, &Check::note, this, [this](const QString& text) { tell(text, Platform::Warning); });
    if (plan.refusal == RunPlan::Refusal::None) {
        ProgressBar->setVisible(true);
        Resultgrid->fill(plan);
        ColumnLabels = QStringList{QString()} + (plan.bareNames ? plan.columnLabels : QStringList());
        LayoutGrid();
        CalcFormSize();
        const QSize extra = frameExtra();
        resize(Units::toPixels(DesiredWidth, dpi()) - extra.width(),
               Units::toPixels(DesiredHeight, dpi()) - extra.height());
        Form_Resize();
    }
    check->start();
}

void frmResults::onCellChanged(int column, int row)
{
    if (WhoisPhase()) {
        ShowCell(column, row);
        return;
    }
    // Every answer is in the table at once; the grid and the bar follow at most thirty times a second.
    Resultgrid->mark(column, row, m_check->CheckResults()(column, row).status);
    m_repaint.poke();
}

void frmResults::onProgress(int value, int maximum, const QString& caption)
{
    if (!WhoisPhase()) {
        RepliesReceived = qint16(value);
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
    ProgressBar->setVisible(phase == RunPhase::Confirming);
    if (phase == RunPhase::Confirming) {
        ProgressBar->setFormat(QStringLiteral("WHOIS checking"));
        setCursor(Qt::WaitCursor);
        return;
    }
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
        tell(text, Platform::Critical, [this] { close(); });
        return;
    case Check::Failure::Send:
        // Nothing more can be checked: the window ends with the message.
        tell(text, Platform::Critical, [this] { butCancelOk_Click(); });
        return;
    case Check::Failure::Network:
        tell(text, Platform::Critical);
        return;
    case Check::Failure::Socket:
        tell(text, Platform::NoIcon);
        return;
    }
}

void frmResults::tell(const QString& text, Platform::Icon icon, std::function<void()> then)
{
    m_messages.append({text, icon, std::move(then)});
    if (m_messages.size() == 1)
        QTimer::singleShot(0, this, &frmResults::showMessages);
}

void frmResults::showMessages()
{
    const QPointer<frmResults> self(this);
    while (!m_messages.isEmpty()) {
        const Message message = m_messages.constFirst();
        Platform::instance().messageBox(message.text, Platform::Ok, message.icon, AppInfo::Title);
        if (!self) // the box's own events may have closed the window
            return;
        m_messages.removeFirst();
        if (message.then)
            message.then();
        if (!self)
            return;
    }
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
    const QByteArray bytes =
        ResultsText::csv(m_check->CheckResults(), ColumnCount, Resultgrid->rowCount(), m_check->plan().typed);
    if (const QString error = FileOps::writeWhole(path, bytes); !error.isEmpty()) {
        Platform::instance().messageBox(QStringLiteral("The results could not be saved to:\r") +
                                            QDir::toNativeSeparators(path) + QLatin1Char('\r') + error,
                                        Platform::Ok, Platform::Critical, AppInfo::Title);
        return;
    }
    Forms::warnIf(Utils::SaveSetting(QStringLiteral("main"), QStringLiteral("SaveFolder"), QFileInfo(path).absolutePath()));
}
