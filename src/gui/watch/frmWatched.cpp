#include "gui/watch/frmWatched.h"

#include "check/WatchText.h"
#include "core/AppInfo.h"
#include "core/Platform.h"
#include "gui/app/Forms.h"
#include "gui/results/frmDetails.h"
#include "gui/shell/modHTMLHelp.h"
#include "gui/watch/WatchedModel.h"
#include "gui/watch/Watcher.h"
#include "whois/RdapBootstrap.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>

namespace {
QPushButton* makeButton(QWidget* parent, const char* name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}
} // namespace

frmWatched::frmWatched(QWidget* parent) : QDialog(parent), m_watcher(Forms::watcher())
{
    modHTMLHelp::addHelpKey(this, QStringLiteral("watch.html"));
    setObjectName(QStringLiteral("frmWatched"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(AppInfo::Title + QStringLiteral(" Watched names"));
    setSizeGripEnabled(true);

    txtAdd = new QLineEdit(this);
    txtAdd->setObjectName(QStringLiteral("txtAdd"));
    txtAdd->setToolTip(QStringLiteral("Complete domain names to watch, such as alpha.com"));
    butAdd = makeButton(this, "butAdd", QStringLiteral("&Add"));
    // Enter in the name box adds.
    butAdd->setDefault(true);
    model = new WatchedModel(this);
    lstWatched = new QTableView(this);
    lstWatched->setObjectName(QStringLiteral("lstWatched"));
    lstWatched->setModel(model);
    lstWatched->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstWatched->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstWatched->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstWatched->verticalHeader()->hide();
    lstWatched->horizontalHeader()->setStretchLastSection(true);
    lstWatched->setMinimumSize(760, 220);
    lstWatched->installEventFilter(this);
    lblState = new QLabel(this);
    lblState->setObjectName(QStringLiteral("lblState"));
    lblState->setTextFormat(Qt::PlainText);
    lblState->setWordWrap(true);
    butCheck = makeButton(this, "butCheck", QString());
    butRemove = makeButton(this, "butRemove", QStringLiteral("&Remove"));
    butDetails = makeButton(this, "butDetails", QStringLiteral("&Details..."));
    butClose = makeButton(this, "butClose", QStringLiteral("&Close"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(txtAdd, 0, 0);
    layout->addWidget(butAdd, 0, 1);
    layout->addWidget(lstWatched, 1, 0, 1, 2);
    layout->addWidget(lblState, 2, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {butCheck, butRemove, butDetails})
        buttons->addWidget(button);
    buttons->addStretch();
    buttons->addWidget(butClose);
    layout->addLayout(buttons, 3, 0, 1, 2);
    layout->setRowStretch(1, 1);

    connect(butAdd, &QPushButton::clicked, this, &frmWatched::butAdd_Click);
    connect(butRemove, &QPushButton::clicked, this, &frmWatched::butRemove_Click);
    connect(butCheck, &QPushButton::clicked, this, &frmWatched::butCheck_Click);
    connect(butDetails, &QPushButton::clicked, this, &frmWatched::butDetails_Click);
    connect(butClose, &QPushButton::clicked, this, &QDialog::close);
    connect(lstWatched, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { openDetails(index.row()); });
    connect(m_watcher, &Watcher::listChanged, this, &frmWatched::refresh);
    connect(m_watcher, &Watcher::checkingChanged, this, &frmWatched::showState);
    refresh();
    // Wide enough for every column, where the screen allows.
    const QMargins margins = layout->contentsMargins();
    const int columns = lstWatched->horizontalHeader()->length() + 2 * lstWatched->frameWidth() +
                        lstWatched->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + margins.left() + margins.right();
    const QScreen* where = screen();
    const int widest = where ? where->availableGeometry().width() * 9 / 10 : 1024;
    resize(qBound(sizeHint().width(), columns, qMax(sizeHint().width(), widest)), sizeHint().height());
}

frmWatched::~frmWatched()
{
    // The marked changes have been seen.
    if (m_watcher)
        m_watcher->clearMarks();
}

void frmWatched::refresh()
{
    QSet<QString> selected;
    for (const int row : selectedRows())
        selected.insert(model->entry(row).ascii);
    model->setEntries(m_watcher->entries(), m_watcher->now().date(), m_watcher->marked());
    for (int row = 0; row < model->rowCount(); ++row) {
        if (selected.contains(model->entry(row).ascii))
            lstWatched->selectionModel()->select(model->index(row, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    lstWatched->resizeColumnsToContents();
    showState();
}

void frmWatched::showState()
{
    const bool checking = m_watcher->checking();
    butCheck->setText(checking ? QStringLiteral("Stop") : QStringLiteral("Check now"));
    const int count = model->rowCount();
    if (checking)
        lblState->setText(QStringLiteral("Checking the watched names..."));
    else if (!m_watcher->note().isEmpty())
        lblState->setText(m_watcher->note());
    else
        lblState->setText(count == 1 ? QStringLiteral("1 name watched.")
                                     : QStringLiteral("%1 names watched.").arg(count));
}

QList<int> frmWatched::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& index : lstWatched->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void frmWatched::butAdd_Click()
{
    const WatchText::Typed typed = WatchText::typedNames(txtAdd->text());
    if (typed.refusal) {
        Platform::instance().messageBox(*typed.refusal, Platform::Ok, Platform::Warning, AppInfo::Title);
        return;
    }
    txtAdd->clear();
    if (!typed.names.isEmpty())
        m_watcher->watch(typed.names);
}

void frmWatched::butRemove_Click()
{
    QStringList asciis;
    for (const int row : selectedRows())
        asciis.append(model->entry(row).ascii);
    if (!asciis.isEmpty())
        m_watcher->unwatch(asciis);
}

void frmWatched::butCheck_Click()
{
    if (m_watcher->checking())
        m_watcher->cancel();
    else
        m_watcher->checkAll();
}

void frmWatched::butDetails_Click()
{
    if (const QModelIndex current = lstWatched->currentIndex(); current.isValid())
        openDetails(current.row());
}

void frmWatched::openDetails(int row)
{
    const WatchEntry& entry = model->entry(row);
    const Rdap::Policy& policy = Forms::io().check.rdap;
    const QString service =
        Rdap::loadBootstrap(Rdap::DirectoryFiles::program(), policy.plainHttpAllowed).serviceFor(entry.ascii);
    // Where the registry has no RDAP service, its WHOIS server tells.
    if (service.isEmpty()) {
        Q_EMIT whoisLookupRequested(entry.ascii);
        return;
    }
    auto* details = new frmDetails(entry.ascii, entry.domain, service, policy, this);
    details->butWatch->hide();
    connect(details, &frmDetails::whoisLookupRequested, this, &frmWatched::whoisLookupRequested);
    details->show();
}

void frmWatched::copyRows()
{
    QList<QStringList> rows;
    for (const int row : selectedRows())
        rows.append(model->rowTexts(row));
    if (!rows.isEmpty())
        Platform::instance().setClipboardText(WatchText::tsv(rows));
}

bool frmWatched::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstWatched && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copyRows();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
