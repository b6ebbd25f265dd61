#pragma once

#include <QTableView>
#include <vector>

class ResultsModel;

// The results grid: a view of the results model, one row per name, one column per suffix, each cell a picture of
// its candidate's status. Cells are addressed as the program counts them, column c and row r from 1; the headings
// are the table's headers and never become the current cell.
class ResultGrid final : public QTableView
{
    Q_OBJECT

public:
    explicit ResultGrid(QWidget* parent = nullptr);

    ResultsModel* results() const { return m_model; }
    int rowCount() const;
    int columnCount() const;
    // Makes the cell current without scrolling the view, and shows its picture at once.
    void paint(int column, int row);
    // The cell shows its picture at the next flush(), which paints every cell marked and makes the last one current.
    void mark(int column, int row);
    void flush();
    // Status shown in a cell, -1 for a cell without picture.
    int shownStatus(int column, int row) const;
    // The text of a heading: column c from 1, or the names' column 0 of row r from 1.
    QString heading(int column) const;
    QString rowHeading(int row) const;
    // Widths in twips of the row headings.
    std::vector<double> nameWidths(double dotsPerInch) const;
    // Row height and column widths from the layout, in twips.
    void applyLayout(const std::vector<int>& columnWidths, double rowHeight, double dotsPerInch);

Q_SIGNALS:
    // The user moved the current cell; painting moves it too, but says nothing.
    void cellEntered(int column, int row);
    // Ctrl+C on the current cell.
    void copyRequested(int column, int row);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void makeCurrent(const QModelIndex& cell);

    ResultsModel* m_model;
    bool m_painting = false;
};
