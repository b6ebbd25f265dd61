#pragma once

#include <QMenu>
#include <QPointer>

class Check;
struct CheckResult;

// The popup of a results cell: its candidate's state as title, then what can be done with it. It acts on the
// candidate of the last cell it opened on; Ctrl+G does so with the popup closed.
class CellPopup final : public QMenu
{
    Q_OBJECT

public:
    explicit CellPopup(QWidget* parent);
    // Shows the captions of one candidate of the Check and opens at the mouse.
    void open(const Check* check, int column, int row);

    // Puts the domain of a cell on the clipboard, in the form the grid shows it; nothing for a cell it lacks.
    static void copyDomain(const Check* check, int column, int row);

    void mnuCopyDomain_Click();
    void mnuGoto_Click();
    void mnuWww_Click();
    void mnuWhois2_Click();
    // Registration details of a taken candidate, in a window of their own.
    void mnuDetails_Click();
    // A taken candidate onto the watch list.
    void mnuWatch_Click();

    QAction* mnuTitle = nullptr;
    QAction* mnuReason = nullptr;
    QAction* mnuCopyDomain = nullptr;
    QAction* mnuDisplay = nullptr; // never shown: no data file says anything to display
    QAction* mnuGoto = nullptr;
    QAction* mnuWww = nullptr;
    QAction* mnuWhois2 = nullptr;
    QAction* mnuDetails = nullptr;
    QAction* mnuWatch = nullptr;

Q_SIGNALS:
    void whoisLookupRequested(const QString& domain);
    // typed: as the grid shows it; ascii: as it was asked.
    void watchRequested(const QString& typed, const QString& ascii);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The candidate of the last popup, if its Check still has it.
    const CheckResult* result() const;
    static const CheckResult* result(const Check* check, int column, int row);

    QPointer<const Check> m_check;
    int m_column = 0;
    int m_row = 0;
};
