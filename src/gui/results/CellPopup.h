#pragma once

#include "check/ResultsText.h"

#include <QMenu>

// The popup of a results cell: its candidate's state as title, then what can be done with it.
class CellPopup final : public QMenu
{
    Q_OBJECT

public:
    explicit CellPopup(QWidget* parent);
    // Shows the captions of one candidate and opens at the mouse.
    void open(const ResultsText::Popup& shown, const QString& displayInfo);

    QAction* mnuTitle = nullptr;
    QAction* mnuDisplay = nullptr;
    QAction* mnuGoto = nullptr;
    QAction* mnuWww = nullptr;
    QAction* mnuWhois2 = nullptr;
    QAction* mnuDetails = nullptr;
};
