#include "gui/results/ResultsSizing.h"

#include "check/ResultsLayout.h"
#include "core/Units.h"
#include "gui/results/ResultGrid.h"

#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

ResultsSizing::ResultsSizing(QMainWindow* window, ResultGrid* grid, QProgressBar* bar, QPushButton* button)
    : m_window(window), m_grid(grid), m_bar(bar), m_button(button)
{
}

double ResultsSizing::dpi() const
{
    const QScreen* where = m_window->screen();
    return where ? where->logicalDotsPerInch() : 96.0;
}

QSize ResultsSizing::frameExtra() const
{
    return m_window->frameGeometry().size() - m_window->geometry().size();
}

void ResultsSizing::LayoutGrid(int columns)
{
    std::vector<double> headings;
    for (int c = 1; c <= columns; ++c)
        headings.push_back(GetColwidth(qint16(c)) - 200);
    const ResultsLayout::Grid grid = ResultsLayout::layoutGrid(headings, m_grid->nameWidths(dpi()));
    m_grid->applyLayout(grid.columnWidths, ResultsLayout::RowHeight, dpi());
    ContentWidth = grid.contentWidth;
    ContentHeight = grid.contentHeight;
    CalcFormSize();
    const QSize extra = frameExtra();
    m_window->resize(Units::toPixels(DesiredWidth, dpi()) - extra.width(),
                     Units::toPixels(DesiredHeight, dpi()) - extra.height());
    Form_Resize();
}

qint16 ResultsSizing::GetColwidth(qint16 col) const
{
    const QTableWidgetItem* heading = m_grid->horizontalHeaderItem(col - 1);
    const QString text = heading ? heading->text() : QString();
    return qint16(ResultsLayout::colWidth(Units::toTwips(m_window->fontMetrics().horizontalAdvance(text), dpi())));
}

void ResultsSizing::CalcFormSize()
{
    const QScreen* where = m_window->screen();
    const QSize screenPixels = where ? where->geometry().size() : QSize(1024, 768);
    const ResultsLayout::Size size = ResultsLayout::calcFormSize(
        ContentWidth, ContentHeight,
        {Units::toTwips(screenPixels.width(), dpi()), Units::toTwips(screenPixels.height(), dpi())});
    DesiredWidth = size.width;
    DesiredHeight = size.height;
}

void ResultsSizing::Form_Resize()
{
    if (m_resizing || (m_window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    const double screenDpi = dpi();
    const QSize extra = frameExtra();
    const QSize outer = m_window->size() + extra;
    const ResultsLayout::Resize rule =
        ResultsLayout::resizeRule({Units::toTwips(outer.width(), screenDpi), Units::toTwips(outer.height(), screenDpi)},
                                  {DesiredWidth, DesiredHeight}, ContentWidth);
    const auto px = [screenDpi](double twips) {
        return Units::toPixels(twips, screenDpi);
    };
    if (rule.snapped) {
        m_resizing = true;
        m_window->resize(px(rule.window.width) - extra.width(), px(rule.window.height) - extra.height());
        m_resizing = false;
    }
    if (!rule.placement)
        return;
    const ResultsLayout::Placement& place = *rule.placement;
    const int controlHeight = px(375);
    m_bar->setGeometry(px(60), px(place.progressTop), qMax(1, px(place.progressWidth)), controlHeight);
    m_button->setGeometry(px(place.buttonLeft), px(place.buttonTop), px(1215), controlHeight);
    m_grid->setGeometry(0, 0, qMax(1, px(place.gridWidth)), qMax(1, px(place.gridHeight)));
}
