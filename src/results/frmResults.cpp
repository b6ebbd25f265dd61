#include "results/frmResults.h"

#include "core/AppInfo.h"
#include "core/Forms.h"
#include "core/Platform.h"
#include "core/Utils.h"
#include "dns/CheckResults.h"
#include "dns/CheckRun.h"
#include "dns/DNS.h"
#include "results/ResultsText.h"
#include "results/WhoisConfirmation.h"
#include "whois/RdapBootstrapUpdater.h"
#include "whois/RdapClient.h"
#include "whois/Whois.h"
#include "whois/WhoisClient.h"
#include "whois/frmWhois.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>

namespace {

constexpr int StatusRole = Qt::UserRole + 1;

QPixmap picture(void (*draw)(QPainter&))
{
    QImage image(20, 17, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return QPixmap::fromImage(image);
}

void drawTick(QPainter& p)
{
    p.setPen(QPen(QColor(0, 145, 113), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(4, 9), QPointF(8, 13), QPointF(16, 3)}));
}

void drawCross(QPainter& p)
{
    p.setPen(QPen(QColor(227, 2, 2), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 3), QPointF(15, 13));
    p.drawLine(QPointF(15, 3), QPointF(5, 13));
}

void drawQuestion(QPainter& p)
{
    const QColor blue(50, 16, 222);
    p.setPen(QPen(blue, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath hook;
    hook.moveTo(6.5, 5.5);
    hook.cubicTo(6.5, 1.0, 13.5, 1.0, 13.5, 5.0);
    hook.cubicTo(13.5, 8.0, 10.0, 8.0, 10.0, 11.0);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawEllipse(QPointF(10.0, 14.5), 1.6, 1.6);
}

// Cells show only their picture, centred.
class PictureDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        const QPixmap pixmap = index.data(Qt::DecorationRole).value<QPixmap>();
        QStyle* style = plain.widget ? plain.widget->style() : QApplication::style();
        // Background and selection only: the style would put the picture at the left.
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &plain, painter, plain.widget);
        if (!pixmap.isNull()) {
            const QSize size = pixmap.deviceIndependentSize().toSize();
            const QRect target(option.rect.x() + (option.rect.width() - size.width()) / 2,
                               option.rect.y() + (option.rect.height() - size.height()) / 2, size.width(),
                               size.height());
            painter->drawPixmap(target, pixmap);
        }
        if (plain.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(plain);
            focus.rect = style->subElementRect(QStyle::SE_ItemViewItemFocusRect, &plain, plain.widget);
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, plain.widget);
        }
    }
};

} // namespace

frmResults::frmResults(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmResults"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Results"));
    unknown = picture(drawQuestion);
    taken = picture(drawCross);
    free = picture(drawTick);
    buildControls();
    buildMenus();
    Whois2 = new WhoisClient(this);
    Whois2->setObjectName(QStringLiteral("Whois2"));
    connect(Whois2, &WhoisClient::finished, this, &frmResults::Whois2_Finished);
    Rdap2 = new RdapClient(this);
    Rdap2->setObjectName(QStringLiteral("Rdap2"));
    connect(Rdap2, &RdapClient::finished, this, &frmResults::Rdap2_Finished);
    m_rdapUpdater = new RdapBootstrapUpdater(this);
}

frmResults::~frmResults()
{
    releaseConfirmation();
    releaseRun();
}

void frmResults::buildControls()
{
    auto* central = new QWidget(this);
    Resultgrid = new QTableWidget(central);
    Resultgrid->setObjectName(QStringLiteral("Resultgrid"));
    Resultgrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Resultgrid->setSelectionMode(QAbstractItemView::SingleSelection);
    Resultgrid->setItemDelegate(new PictureDelegate(Resultgrid));
    Resultgrid->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Resultgrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Resultgrid->verticalHeader()->setMinimumSectionSize(1);
    Resultgrid->horizontalHeader()->setMinimumSectionSize(1);
    Resultgrid->horizontalHeader()->setHighlightSections(false);
    Resultgrid->verticalHeader()->setHighlightSections(false);
    // The headings are no candidates: they never become the current cell.
    Resultgrid->horizontalHeader()->setSectionsClickable(false);
    Resultgrid->verticalHeader()->setSectionsClickable(false);
    Resultgrid->setCornerButtonEnabled(false);
    connect(Resultgrid, &QTableWidget::currentCellChanged, this,
            [this](int row, int column, int, int) { Resultgrid_EnterCell(row, column); });

    ProgressBar = new QProgressBar(central);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setTextVisible(true);
    ProgressBar->setAlignment(Qt::AlignCenter);
    ProgressBar->setVisible(false);

    butCancelOk = new QPushButton(QStringLiteral("Cancel"), central);
    butCancelOk->setObjectName(QStringLiteral("butCancelOk"));
    connect(butCancelOk, &QPushButton::clicked, this, &frmResults::butCancelOk_Click);

    m_escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_escape->setContext(Qt::WindowShortcut);
    connect(m_escape, &QShortcut::activated, butCancelOk, &QPushButton::click);

    setCentralWidget(central);
    // Until the first run places them by the resize rule.
    Resultgrid->setGeometry(0, 0, 400, 240);
    ProgressBar->setGeometry(0, 250, 300, 25);
    butCancelOk->setGeometry(310, 250, 73, 25);
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
    connect(mnuWhois, &QAction::triggered, this, &frmResults::mnuWhois_Click);

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

bool frmResults::isBusy() const
{
    return m_phase == Phase::Running || m_phase == Phase::Whois;
}

double frmResults::dpi() const
{
    const QScreen* where = screen();
    return where ? where->logicalDotsPerInch() : 96.0;
}

// The suffix of every result column: one empty column for complete names, else the personal selection (a
// record's second-level labels in place of the record itself) or the default list.
QStringList frmResults::columnSet(bool& centred)
{
    QStringList suffixes;
    centred = false;
    if (!Utils::BareNames)
        return {QString()};
    if (!Utils::PersonalSelectionInForce())
        return Utils::DefaultDomains;
    centred = true;
    for (int i = 0; i < Utils::TldCount && i < Utils::DomainTableSize; ++i) {
        const Utils::TldRecord& record = Utils::DomainTable[i];
        if (record.Selected != 1)
            continue;
        if (record.SubLabels.isEmpty()) {
            suffixes.append(record.Tld);
            continue;
        }
        for (const QString& label : record.SubLabels.split(QLatin1Char(':')))
            suffixes.append(label + QLatin1Char('.') + record.Tld);
    }
    return suffixes;
}

void frmResults::GetData()
{
    releaseRun();
    releaseConfirmation();
    mnuPopup->hide();
    m_popupColumn = m_popupRow = 0;
    WhoisPhase = false;
    Resultgrid->clear();
    Resultgrid->setRowCount(0);
    Resultgrid->setColumnCount(0);

    bool centred = false;
    const QStringList suffixes = columnSet(centred);
    ColumnCount = int(suffixes.size());

    butCancelOk->setText(QStringLiteral("Cancel"));
    m_escape->setEnabled(true);
    setWindowTitle(AppInfo::Title + QStringLiteral(" results"));
    setMenusEnabled(false);
    RepliesReceived = 0;
    CandidateTotal = ColumnCount * Utils::CheckCount;

    if (CandidateTotal > DNS::MaxCandidates) {
        refuse(QStringLiteral("Sorry, you have too many combinations of domains.") + QLatin1Char('\r') +
               QStringLiteral("The maximum number allowed is %1 and you have %2")
                   .arg(DNS::MaxCandidates)
                   .arg(CandidateTotal));
        return;
    }
    // A label's length is a single byte of the query: a longer one cannot be asked at all. The suffixes come
    // from the data file, which may hold anything.
    if (CandidateTotal > 0) {
        QStringList parts(Utils::CheckList.begin(), Utils::CheckList.begin() + Utils::CheckCount);
        parts += suffixes;
        for (const QString& part : std::as_const(parts)) {
            if (DNS::OverlongLabel(part)) {
                refuse(QStringLiteral("Sorry, the name %1... is too long to be checked.").arg(part.left(40)) +
                       QLatin1Char('\r') +
                       QStringLiteral("A part of a domain name between two dots can have at most %1 characters.")
                           .arg(DNS::MaxLabelLength));
                return;
            }
        }
    }

    ProgressBar->setRange(0, CandidateTotal + 1);
    ProgressBar->setValue(0);
    ProgressBar->setFormat(QStringLiteral("Checking Domains"));
    ProgressBar->setVisible(true);

    Resultgrid->setColumnCount(ColumnCount);
    Resultgrid->setRowCount(Utils::CheckCount);
    ColumnLabels = QStringList{QString()};
    for (int c = 1; c <= ColumnCount; ++c) {
        auto* heading = new QTableWidgetItem(Utils::BareNames ? suffixes.at(c - 1) : QStringLiteral("Free?"));
        heading->setTextAlignment(centred ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter));
        Resultgrid->setHorizontalHeaderItem(c - 1, heading);
        if (Utils::BareNames)
            ColumnLabels.append(suffixes.at(c - 1));
    }
    for (int r = 1; r <= Utils::CheckCount; ++r) {
        Resultgrid->setVerticalHeaderItem(r - 1, new QTableWidgetItem(Utils::CheckList[r - 1]));
        for (int c = 1; c <= ColumnCount; ++c) {
            auto* cell = new QTableWidgetItem;
            cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            Resultgrid->setItem(r - 1, c - 1, cell);
        }
    }

    LayoutGrid();
    CalcFormSize();
    const QSize extra = frameExtra();
    const double screenDpi = dpi();
    resize(ResultsLayout::toPixels(DesiredWidth, screenDpi) - extra.width(),
           ResultsLayout::toPixels(DesiredHeight, screenDpi) - extra.height());
    Form_Resize();

    CheckResults.reset(ColumnCount, Utils::CheckCount);
    for (int c = 1; c <= ColumnCount; ++c) {
        for (int r = 1; r <= Utils::CheckCount; ++r) {
            CheckResult& result = CheckResults(c, r);
            result.status = Pending;
            result.queryId = qint16((c - 1) * Utils::CheckCount + r);
            result.domain = Utils::BareNames ? Utils::CheckList[r - 1] + QLatin1Char('.') + ColumnLabels.at(c)
                                             : Utils::CheckList[r - 1];
            result.tld = Utils::DomainTable[Utils::FindTld(result.domain)].Tld;
        }
    }

    m_phase = Phase::Running;
    CheckRun::Setup setup;
    setup.nameServer = Utils::AppSettings.NameServer;
    setup.port = DNS::NameServerPort;
    // A damaged store could hold values the options dialog never accepts; the run needs positive ones.
    setup.delayMs = qMax<int>(1, Utils::AppSettings.QueryDelay);
    setup.passes = qMax<int>(1, Utils::AppSettings.Retries);
    setup.columns = ColumnCount;
    setup.rows = Utils::CheckCount;
    CheckRun* run = new CheckRun(CheckResults, setup);
    m_run = run;
    connect(run, &CheckRun::cellAnswered, this, [this](int column, int row, int replies) {
        RepliesReceived = qint16(replies);
        ProgressBar->setValue(replies);
        ShowCell(column, row);
    });
    connect(run, &CheckRun::completed, this, &frmResults::onRunCompleted);
    connect(run, &CheckRun::sendFailed, this, &frmResults::butCancelOk_Click, Qt::QueuedConnection);
    run->start();
}

void frmResults::refuse(const QString& text)
{
    hide();
    QPointer<frmResults> self(this);
    Platform::instance().messageBox(text, Platform::Ok, Platform::Critical, AppInfo::Title);
    if (self)
        close();
}

void frmResults::LayoutGrid()
{
    const double screenDpi = dpi();
    std::vector<double> headings;
    for (int c = 1; c <= ColumnCount; ++c)
        headings.push_back(GetColwidth(qint16(c)) - 200);
    std::vector<double> names;
    for (int r = 1; r <= Utils::CheckCount; ++r)
        names.push_back(ResultsLayout::toTwips(fontMetrics().horizontalAdvance(Utils::CheckList[r - 1]), screenDpi));
    const ResultsLayout::Grid grid = ResultsLayout::layoutGrid(headings, names);

    const int rowPixels = ResultsLayout::toPixels(ResultsLayout::RowHeight, screenDpi);
    Resultgrid->verticalHeader()->setDefaultSectionSize(rowPixels);
    Resultgrid->horizontalHeader()->setFixedHeight(rowPixels);
    for (int c = 1; c <= ColumnCount; ++c)
        Resultgrid->setColumnWidth(c - 1, ResultsLayout::toPixels(grid.columnWidths[size_t(c)], screenDpi));
    Resultgrid->verticalHeader()->setFixedWidth(ResultsLayout::toPixels(grid.columnWidths[0], screenDpi));
    ContentWidth = grid.contentWidth;
    ContentHeight = grid.contentHeight;
}

qint16 frmResults::GetColwidth(qint16 col) const
{
    const QTableWidgetItem* heading = Resultgrid->horizontalHeaderItem(col - 1);
    const QString text = heading ? heading->text() : QString();
    return qint16(ResultsLayout::colWidth(ResultsLayout::toTwips(fontMetrics().horizontalAdvance(text), dpi())));
}

void frmResults::CalcFormSize()
{
    const QScreen* where = screen();
    const QSize screenPixels = where ? where->geometry().size() : QSize(1024, 768);
    const double screenDpi = dpi();
    const ResultsLayout::Size size =
        ResultsLayout::calcFormSize(ContentWidth, ContentHeight,
                                    {ResultsLayout::toTwips(screenPixels.width(), screenDpi),
                                     ResultsLayout::toTwips(screenPixels.height(), screenDpi)});
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
    const ResultsLayout::Resize rule = ResultsLayout::resizeRule(
        {ResultsLayout::toTwips(outer.width(), screenDpi), ResultsLayout::toTwips(outer.height(), screenDpi)},
        {DesiredWidth, DesiredHeight}, ContentWidth);
    m_resizing = true;
    if (rule.snapped) {
        resize(ResultsLayout::toPixels(rule.window.width, screenDpi) - extra.width(),
               ResultsLayout::toPixels(rule.window.height, screenDpi) - extra.height());
    }
    m_resizing = false;
    if (!rule.placement)
        return;
    const ResultsLayout::Placement& place = *rule.placement;
    auto px = [screenDpi](double twips) {
        return ResultsLayout::toPixels(twips, screenDpi);
    };
    const int controlHeight = px(375);
    ProgressBar->setGeometry(px(60), px(place.progressTop), qMax(1, px(place.progressWidth) - px(60)), controlHeight);
    butCancelOk->setGeometry(px(place.buttonLeft), px(place.buttonTop), px(1215), controlHeight);
    Resultgrid->setGeometry(0, 0, qMax(1, px(place.gridWidth)), qMax(1, px(place.gridHeight)));
}

int frmResults::shownStatus(int column, int row) const
{
    const QTableWidgetItem* cell = Resultgrid->item(row - 1, column - 1);
    if (!cell || !cell->data(StatusRole).isValid())
        return -1;
    return cell->data(StatusRole).toInt();
}

void frmResults::ShowCell(int column, int row)
{
    QTableWidgetItem* cell = Resultgrid->item(row - 1, column - 1);
    if (!cell)
        return;
    // The current cell follows the painting, but the view stays where the user has it.
    const bool autoScroll = Resultgrid->hasAutoScroll();
    Resultgrid->setAutoScroll(false);
    m_painting = true;
    Resultgrid->setCurrentCell(row - 1, column - 1, QItemSelectionModel::NoUpdate);
    m_painting = false;
    Resultgrid->setAutoScroll(autoScroll);
    const quint8 status = CheckResults(column, row).status;
    const QPixmap& pixmap = status == Taken ? taken : status == Free ? free : unknown;
    cell->setData(Qt::DecorationRole, pixmap);
    cell->setData(StatusRole, int(status));
}

void frmResults::ShowAllCells()
{
    Resultgrid->setUpdatesEnabled(false);
    for (int c = 1; c <= ColumnCount; ++c) {
        for (int r = 1; r <= Utils::CheckCount; ++r)
            ShowCell(c, r);
    }
    Resultgrid->setUpdatesEnabled(true);
    Resultgrid->viewport()->update();
}

void frmResults::onRunCompleted()
{
    ShowAllCells();
    ProgressBar->setVisible(false);
    unsetCursor();
    Resultgrid->unsetCursor();
    setMenusEnabled(true);
    Utils::CheckRunning = false;
    if (!m_run || !m_run->onlyRefusals()) {
        afterRun();
        return;
    }
    // Said once, after the grid shows every candidate; shown outside the run's signal.
    QTimer::singleShot(0, this, [self = QPointer<frmResults>(this)] {
        const QString server = Utils::AppSettings.NameServer;
        Platform::instance().messageBox(
            QStringLiteral("The name server %1 would not answer any of the questions.").arg(server) +
                QLatin1Char('\r') +
                QStringLiteral("None of the domains could be checked. You can choose another name server under "
                               "Options, DNS Settings."),
            Platform::Ok, Platform::Warning, AppInfo::Title);
        if (self && self->m_phase == Phase::Running)
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
    WhoisPhase = true;
    m_phase = Phase::Whois;
    ProgressBar->setFormat(QStringLiteral("WHOIS checking"));
    ProgressBar->setVisible(true);
    ProgressBar->setValue(ProgressBar->minimum());
    setCursor(Qt::WaitCursor);
    Whois2->setPort(WhoisConfirmation::limits.port);
    Whois2->setBlockingMode(true);
    Whois2->setTimeLimits(WhoisConfirmation::limits.connectMs, WhoisConfirmation::limits.exchangeMs);
    Rdap2->setTimeLimits(WhoisConfirmation::limits.connectMs, WhoisConfirmation::limits.exchangeMs);
    // Read for every confirmation, so that a copy fetched during the last one is in force. A program without
    // any directory confirms with WHOIS alone and fetches none.
    m_rdapServices = Rdap::loadBootstrap();
    if (!m_rdapServices.isEmpty())
        m_rdapUpdater->startIfDue(m_rdapServices);

    auto* confirmation = new WhoisConfirmation(CheckResults, ColumnCount, Utils::CheckCount, this);
    m_confirmation = confirmation;
    connect(confirmation, &WhoisConfirmation::asking, this, [this](int, int, const QString& domain) {
        const QString rdapService = m_rdapServices.serviceFor(domain);
        if (rdapService.isEmpty()) {
            ProgressBar->setFormat(QStringLiteral("WHOIS : ") + domain);
            FreeWithWhois(domain);
        } else {
            ProgressBar->setFormat(QStringLiteral("RDAP : ") + domain);
            FreeWithRdap(domain, rdapService);
        }
    });
    connect(confirmation, &WhoisConfirmation::cellChanged, this, &frmResults::ShowCell);
    connect(confirmation, &WhoisConfirmation::advanced, this, [this] {
        if (ProgressBar->value() < ProgressBar->maximum())
            ProgressBar->setValue(ProgressBar->value() + 1);
    });
    connect(confirmation, &WhoisConfirmation::finished, this, &frmResults::whoisConfirmationFinished);
    confirmation->start();
}

void frmResults::FreeWithWhois(const QString& domainname)
{
    Whois2->setQuery(domainname.trimmed());
    Whois2->setServer(Whois::GetWhoisServer(domainname));
    if (Whois2->connectToServer() != WhoisClient::NoError && m_confirmation)
        m_confirmation->answer(WhoisConfirmation::Verdict::NotChecked);
}

void frmResults::FreeWithRdap(const QString& domainname, const QString& baseUrl)
{
    Rdap2->lookup(baseUrl, domainname);
}

void frmResults::Rdap2_Finished(const RdapOutcome& outcome)
{
    if (!m_confirmation)
        return;
    switch (outcome.verdict) {
    case Rdap::Verdict::Free:
        m_confirmation->answer(WhoisConfirmation::Verdict::Free);
        break;
    case Rdap::Verdict::Taken:
        m_confirmation->answer(WhoisConfirmation::Verdict::Taken);
        break;
    case Rdap::Verdict::NotChecked:
        m_confirmation->answer(WhoisConfirmation::Verdict::NotChecked);
        break;
    }
}

bool frmResults::CheckWhoisBuffer(const QString& sBuffer) const
{
    return Whois::CheckWhoisBuffer(sBuffer);
}

void frmResults::Whois2_Finished(const WhoisOutcome& outcome)
{
    Whois2->disconnectFromServer();
    if (!m_confirmation)
        return;
    m_confirmation->answer(WhoisConfirmation::verdictOf(outcome));
}

void frmResults::whoisConfirmationFinished()
{
    releaseConfirmation();
    WhoisPhase = false;
    ProgressBar->setVisible(false);
    unsetCursor();
    showClose();
}

void frmResults::releaseConfirmation()
{
    Whois2->disconnectFromServer();
    Rdap2->cancel();
    if (!m_confirmation)
        return;
    WhoisConfirmation* confirmation = m_confirmation;
    m_confirmation = nullptr;
    confirmation->cancel();
    confirmation->disconnect(this);
    // It may be the sender of the signal being handled.
    confirmation->deleteLater();
}

void frmResults::showClose()
{
    m_phase = Phase::Done;
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
    if (WhoisPhase) {
        releaseConfirmation();
        WhoisPhase = false;
    } else {
        releaseRun();
    }
    if (m_phase != Phase::Done)
        m_phase = Phase::Idle;
}

void frmResults::releaseRun()
{
    if (!m_run)
        return;
    CheckRun* run = m_run;
    m_run = nullptr;
    run->cancel();
    run->disconnect(this);
    delete run;
}

CheckRun* frmResults::currentRun() const
{
    return m_run.data();
}

const CheckResult* frmResults::popupResult() const
{
    if (m_popupColumn < 1 || m_popupColumn > ColumnCount || m_popupColumn > CheckResults.columnCount() ||
        m_popupRow < 1 || m_popupRow > Utils::CheckCount || m_popupRow > CheckResults.rowCount())
        return nullptr;
    return &CheckResults(m_popupColumn, m_popupRow);
}

void frmResults::Resultgrid_EnterCell(int row, int column)
{
    if (m_painting || Utils::CheckRunning || WhoisPhase || m_phase == Phase::Running)
        return;
    m_popupColumn = column + 1;
    m_popupRow = row + 1;
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
    const CheckResult* result = popupResult();
    if (!result)
        return;
    const QString domain = result->domain;
    frmWhois* whois = Forms::whois();
    whois->show();
    whois->raise();
    whois->activateWindow();
    whois->WhoisString->setText(domain);
    whois->WhoisListBox->setCurrentIndex(0);
    const QPointer<frmWhois> alive(whois);
    whois->ExecuteWhois();
    // A message box of the lookup may have closed the window meanwhile.
    if (alive)
        alive->BottomLabel->setText(QStringLiteral("You can do more lookups without closing this window."));
}

void frmResults::mnuWhois_Click()
{
    frmWhois* whois = Forms::whois();
    whois->show();
    whois->raise();
    whois->activateWindow();
}

void frmResults::mnuCopy_Click()
{
    Platform::instance().setClipboardText(ResultsText::copyText(CheckResults, ColumnCount, Utils::CheckCount));
    Platform::instance().messageBox(QStringLiteral("Results have been copied to the clipboard."), Platform::Ok,
                                    Platform::NoIcon, AppInfo::Title);
}
