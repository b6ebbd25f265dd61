#include "gui/results/CellPopup.h"

#include "check/Check.h"
#include "check/ResultsText.h"
#include "core/Platform.h"
#include "gui/results/frmDetails.h"
#include "gui/shell/Menus.h"

#include <QCursor>
#include <QKeyEvent>

CellPopup::CellPopup(QWidget* parent) : QMenu(QStringLiteral("Popup"), parent)
{
    setObjectName(QStringLiteral("mnuPopup"));
    mnuTitle = Menus::add(this, "mnuTitle", QString());
    mnuReason = Menus::add(this, "mnuReason", QString());
    mnuReason->setEnabled(false);
    addSeparator()->setObjectName(QStringLiteral("div"));
    mnuCopyDomain = Menus::add(this, "mnuCopyDomain", QString());
    mnuCopyDomain->setShortcut(QKeySequence::Copy);
    mnuDisplay = Menus::add(this, "mnuDisplay", QString());
    mnuDisplay->setVisible(false);
    mnuGoto = Menus::add(this, "mnuGoto", QString());
    mnuGoto->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    mnuGoto->setEnabled(false);
    mnuWww = Menus::add(this, "mnuWww", QString());
    mnuWww->setVisible(false);
    mnuWhois2 = Menus::add(this, "mnuWhois2", QString());
    mnuDetails = Menus::add(this, "mnuDetails", QStringLiteral("Registration &details..."));
    mnuWatch = Menus::add(this, "mnuWatch", QString());
    connect(mnuWatch, &QAction::triggered, this, &CellPopup::mnuWatch_Click);
    connect(mnuCopyDomain, &QAction::triggered, this, &CellPopup::mnuCopyDomain_Click);
    connect(mnuGoto, &QAction::triggered, this, &CellPopup::mnuGoto_Click);
    connect(mnuWww, &QAction::triggered, this, &CellPopup::mnuWww_Click);
    connect(mnuWhois2, &QAction::triggered, this, &CellPopup::mnuWhois2_Click);
    connect(mnuDetails, &QAction::triggered, this, &CellPopup::mnuDetails_Click);
}

void CellPopup::open(const Check* check, int column, int row)
{
    m_check = check;
    m_column = column;
    m_row = row;
    const CheckResult* cell = result();
    if (!cell)
        return;
    const RunPlan& plan = check->plan();
    const ResultsText::Popup shown =
        ResultsText::popup(*cell, plan.registry(column, row), ResultsText::columnLabel(plan, column, *cell));
    mnuTitle->setText(shown.title);
    mnuTitle->setEnabled(true);
    mnuTitle->setVisible(true);
    mnuReason->setText(shown.reason);
    mnuReason->setVisible(!shown.reason.isEmpty());
    mnuCopyDomain->setText(QStringLiteral("&Copy ") + ResultsText::shownDomain(*cell));
    mnuGoto->setText(shown.gotoCaption);
    mnuGoto->setEnabled(shown.gotoEnabled);
    mnuWhois2->setText(shown.whoisCaption);
    mnuWww->setText(shown.wwwCaption);
    mnuWww->setVisible(shown.wwwVisible);
    mnuDetails->setVisible(shown.detailsVisible);
    mnuDetails->setEnabled(shown.detailsEnabled);
    mnuWatch->setText(QStringLiteral("Watch ") + ResultsText::shownDomain(*cell));
    mnuWatch->setVisible(cell->status == Taken);
    popup(QCursor::pos());
}

// The shortcuts shown beside the items work while the popup is open too.
void CellPopup::keyPressEvent(QKeyEvent* event)
{
    const QKeySequence pressed(event->keyCombination());
    for (QAction* action : actions()) {
        if (action->isVisible() && action->isEnabled() && !action->shortcut().isEmpty() &&
            action->shortcut() == pressed) {
            close();
            action->trigger();
            return;
        }
    }
    QMenu::keyPressEvent(event);
}

const CheckResult* CellPopup::result() const
{
    return result(m_check, m_column, m_row);
}

const CheckResult* CellPopup::result(const Check* check, int column, int row)
{
    if (!check)
        return nullptr;
    const CheckResultTable& table = check->CheckResults();
    if (column < 1 || column > table.columnCount() || row < 1 || row > table.rowCount())
        return nullptr;
    return &table(column, row);
}

void CellPopup::copyDomain(const Check* check, int column, int row)
{
    if (const CheckResult* cell = result(check, column, row))
        Platform::instance().setClipboardText(ResultsText::shownDomain(*cell));
}

void CellPopup::mnuCopyDomain_Click()
{
    copyDomain(m_check, m_column, m_row);
}

void CellPopup::mnuGoto_Click()
{
    if (!result())
        return;
    const QString& site = m_check->plan().registry(m_column, m_row).registrationSite;
    if (ResultsText::hasRegistrationSite(site))
        Platform::instance().openAddress(site);
}

void CellPopup::mnuWww_Click()
{
    if (const CheckResult* cell = result())
        Platform::instance().openAddress(QStringLiteral("www.") + cell->domain);
}

void CellPopup::mnuWhois2_Click()
{
    if (const CheckResult* cell = result())
        Q_EMIT whoisLookupRequested(cell->domain);
}

void CellPopup::mnuDetails_Click()
{
    const CheckResult* cell = result();
    const QString service = cell ? m_check->plan().registry(m_column, m_row).rdapService : QString();
    if (service.isEmpty())
        return;
    auto* details = new frmDetails(cell->domain, cell->typed, service, m_check->io().rdap, parentWidget());
    connect(details, &frmDetails::whoisLookupRequested, this, &CellPopup::whoisLookupRequested);
    connect(details, &frmDetails::watchRequested, this, &CellPopup::watchRequested);
    details->show();
}

void CellPopup::mnuWatch_Click()
{
    if (const CheckResult* cell = result(); cell && cell->status == Taken)
        Q_EMIT watchRequested(ResultsText::shownDomain(*cell), cell->domain);
}
