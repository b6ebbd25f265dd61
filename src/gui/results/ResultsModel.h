#pragma once

#include <QAbstractTableModel>
#include <QPixmap>
#include <QPointer>
#include <vector>

class Check;

// The results of one Check as a table of pictures: one row per name, one column per suffix, the headings from its
// plan, every status read from its results table as it stands. A cell shows no picture until it is shown: an
// answer during the run, or every cell once the run is over. The views hear of shown cells at flush(), so that a
// stream of answers costs one repaint a frame. Cells are the program's, column c and row r from 1.
class ResultsModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    // The status a cell shows (a CheckStatus), or nothing while it shows no picture.
    static constexpr int StatusRole = Qt::UserRole + 1;

    explicit ResultsModel(QObject* parent = nullptr);

    void setCheck(const Check* check);
    // The cell shows its picture from the next flush on.
    void show(int column, int row);
    // Every cell shows its picture, a pending one the question mark.
    void showAll();
    // Tells the views of the cells shown since the last flush; the index of the last one, or an invalid one.
    QModelIndex flush();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    int statusShown(const QModelIndex& index) const;

    QPointer<const Check> m_check;
    std::vector<bool> m_shown; // column-major, as the run asks
    bool m_allShown = false;
    QModelIndex m_last;
    int m_top = 0, m_left = 0, m_bottom = -1, m_right = -1; // the rows and columns shown since the last flush
    QPixmap m_pictures[4];
};
