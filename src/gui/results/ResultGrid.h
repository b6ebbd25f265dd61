#pragma once

#include <QPixmap>
#include <QTableWidget>
#include <tuple>

struct RunPlan;

// The results grid: one row per name, one column per suffix, each cell a picture of its candidate's status.
// Cells are addressed as the program counts them, column c and row r from 1; the headings are the table's headers
// and never become the current cell.
class ResultGrid final : public QTableWidget
{
    Q_OBJECT

public:
    explicit ResultGrid(QWidget* parent = nullptr);

    // Headings and empty cells for the plan's candidates.
    void fill(const RunPlan& plan);
    // Makes the cell current, without scrolling the view, and shows the picture of the status.
    void paint(int column, int row, quint8 status);
    // The same later, with the cells marked before: flush() paints them all and makes the last one current.
    void mark(int column, int row, quint8 status);
    void flush();
    // Status shown in a cell, -1 for a cell without picture.
    int shownStatus(int column, int row) const;
    // Widths in twips of the row headings.
    std::vector<double> nameWidths(double dotsPerInch) const;
    // Row height and column widths from the layout, in twips.
    void applyLayout(const std::vector<int>& columnWidths, double rowHeight, double dotsPerInch);

    QPixmap unknown;
    QPixmap taken;
    QPixmap free;

Q_SIGNALS:
    // The user moved the current cell; painting moves it too, but says nothing.
    void cellEntered(int column, int row);

private:
    void picture(QTableWidgetItem* cell, quint8 status);

    bool m_painting = false;
    QList<std::tuple<int, int, quint8>> m_marked;
};
