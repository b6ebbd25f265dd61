#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class Watcher;
class WatchedModel;

// The watch list: one row per watched name with what its last check found. Names are added and removed here,
// checked at once, their rows copied, and a name's registration details opened. Modeless; the checks belong to
// the program's Watcher, so closing the window stops none.
class frmWatched final : public QDialog
{
    Q_OBJECT

public:
    explicit frmWatched(QWidget* parent = nullptr);
    ~frmWatched() override;

    void butAdd_Click();
    void butRemove_Click();
    void butCheck_Click();
    void butDetails_Click();
    // The registration details of the name in this row.
    void openDetails(int row);
    // The selected rows as tab-separated text on the clipboard.
    void copyRows();

    QLineEdit* txtAdd = nullptr;
    QPushButton* butAdd = nullptr;
    QTableView* lstWatched = nullptr;
    QLabel* lblState = nullptr;
    QPushButton* butCheck = nullptr;
    QPushButton* butRemove = nullptr;
    QPushButton* butDetails = nullptr;
    QPushButton* butClose = nullptr;
    WatchedModel* model = nullptr;

Q_SIGNALS:
    void whoisLookupRequested(const QString& domain);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void showState();
    QList<int> selectedRows() const;

    QPointer<Watcher> m_watcher;
};
