#pragma once

#include "check/Check.h"
#include "core/Throttle.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class CellPopup;
class MessageQueue;
class QAction;
class QMenu;
class QProgressBar;
class QPushButton;
class QShortcut;
class ResultGrid;
class ResultsSizing;

// The results of one Check, shown as a grid of names by suffixes with a picture for every candidate. Grid
// coordinates are the program's: column c and row r from 1, the names' column and the headings' row being the
// table's headers. The Check decides; this window shows what it reports and says what goes wrong.
class frmResults final : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmResults(QWidget* parent = nullptr);
    ~frmResults() override;

    // Shows this Check, which the window now owns, and starts it; it goes on by events.
    void GetData(Check* check);
    // A run or its confirmation is in progress: a new Check must wait.
    bool isBusy() const { return m_check && m_check->busy(); }
    RunPhase phase() const { return m_check ? m_check->phase() : RunPhase::Idle; }
    bool WhoisPhase() const { return phase() == RunPhase::Confirming; }
    Check* check() const { return m_check; }
    // Paints one cell from its status and makes it the current cell, without scrolling the grid.
    void ShowCell(int column, int row);
    void ShowAllCells();
    // Cancel or Close; also File > Exit and the close box.
    void butCancelOk_Click();

    void mnuCopy_Click();
    // Writes the results as a CSV file the user names.
    void mnuSave_Click();

    ResultGrid* Resultgrid = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPushButton* butCancelOk = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuEdit = nullptr;
    QMenu* mnuTools = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuCopy = nullptr;
    QAction* mnuWhois = nullptr;
    CellPopup* mnuPopup = nullptr;

Q_SIGNALS:
    // The popup's "Lookup ... with WHOIS" and Tools > Whois Lookup: the lookup window is not this window's.
    void whoisLookupRequested(const QString& domain);
    void whoisWindowRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void setMenusEnabled(bool enabled);
    void repaintProgress();
    void repaintBar();
    void onCellChanged(int column, int row);
    void onProgress(const Check::Progress& progress);
    void onPhaseChanged(RunPhase phase);
    void onFailed(Check::Failure failure, const QString& text);
    void Resultgrid_EnterCell(int column, int row);
    void releaseCheck();

    QPointer<Check> m_check;
    MessageQueue* m_messages;
    QShortcut* m_escape = nullptr;
    Throttle m_repaint;
    Throttle m_repaintBar;
    std::unique_ptr<ResultsSizing> m_sizing;
};
