#include "gui/results/CellPopup.h"

#include "gui/shell/Menus.h"

#include <QCursor>

CellPopup::CellPopup(QWidget* parent) : QMenu(QStringLiteral("Popup"), parent)
{
    setObjectName(QStringLiteral("mnuPopup"));
    mnuTitle = Menus::add(this, "mnuTitle", QString());
    addSeparator()->setObjectName(QStringLiteral("div"));
    mnuDisplay = Menus::add(this, "mnuDisplay", QString());
    mnuDisplay->setVisible(false);
    mnuGoto = Menus::add(this, "mnuGoto", QString());
    mnuGoto->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    mnuGoto->setEnabled(false);
    mnuWww = Menus::add(this, "mnuWww", QString());
    mnuWww->setVisible(false);
    mnuWhois2 = Menus::add(this, "mnuWhois2", QString());
    mnuDetails = Menus::add(this, "mnuDetails", QStringLiteral("Registration &details..."));
}

void CellPopup::open(const ResultsText::Popup& shown, const QString& displayInfo)
{
    mnuTitle->setText(shown.title);
    mnuTitle->setEnabled(true);
    mnuTitle->setVisible(true);
    mnuDisplay->setText(displayInfo);
    mnuDisplay->setVisible(shown.displayVisible);
    mnuGoto->setText(shown.gotoCaption);
    mnuGoto->setEnabled(shown.gotoEnabled);
    mnuWhois2->setText(shown.whoisCaption);
    mnuWww->setText(shown.wwwCaption);
    mnuWww->setVisible(shown.wwwVisible);
    mnuDetails->setVisible(shown.detailsVisible);
    mnuDetails->setEnabled(shown.detailsEnabled);
    popup(QCursor::pos());
}
