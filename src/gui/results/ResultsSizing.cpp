#include "gui/results/ResultsSizing.h"

#include "check/ResultsLayout.h"
#include "check/ResultsText.h"
#include "core/Units.h"
#include "gui/results/ResultGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>

ResultsSizing::ResultsSizing(QMainWindow* window, ResultGrid* grid, QProgressBar* bar, QPushButton* button)
    : m_window(window), m_grid(grid), m_bar(bar), m_button(button)
{
    window->installEventFilter(this);
}

bool ResultsSizing::eventFilter(QObject* watched, QEvent* event)
{
    // A window manager that frames the window moves it and may never resize it: both are a chance to re-fit.
    if (watched == m_window && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        Form_Resize();
    return false;
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
    // The arithmetic was made for another system's metrics: it is fed what this grid really needs, both headers,
    // every row and column and the frame, and the window's placement gives the grid that much and the allowances.
    const int frame = 2 * m_grid->frameWidth();
    const int width = m_grid->verticalHeader()->width() + m_grid->horizontalHeader()->length() + frame;
    const int height = m_grid->horizontalHeader()->height() + m_grid->verticalHeader()->length() + frame;
    ContentWidth = Units::toTwips(width, dpi()) - ResultsLayout::GridWidthAllowance;
    ContentHeight = Units::toTwips(height, dpi()) - ResultsLayout::GridHeightAllowance;
    CalcFormSize();
    const double scrollBar = Units::toTwips(m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent), dpi());
    if (ContentHeight + ResultsLayout::GridHeightAllowance > DesiredHeight - ResultsLayout::GridHeightMargin) {
        // Not every row fits: the vertical scroll bar takes its width from the columns.
        ContentWidth += scrollBar;
        CalcFormSize();
    }
    // Never narrower than the menu bar, the title and the counts in the progress bar's place need.
    const QFontMetrics text = m_window->fontMetrics();
    const QString count = QString::number(m_grid->rowCount() * columns);
    const int counts =
        text.horizontalAdvance(ResultsText::summaryOf(count, count, count)) + Units::toPixels(1480, dpi());
    const int least = std::max({m_window->menuWidget() ? m_window->menuWidget()->sizeHint().width() : 0,
                                text.horizontalAdvance(m_window->windowTitle()) + 150, counts + 20});
    const QScreen* where = m_window->screen();
    const double widest = 0.9 * Units::toTwips(where ? where->geometry().width() : 1024, dpi());
    DesiredWidth = qMin(qMax(DesiredWidth, Units::toTwips(least + frameExtra().width(), dpi())), widest);
    if (ContentWidth + ResultsLayout::GridWidthAllowance > DesiredWidth - ResultsLayout::GridWidthMargin) {
        // Not every column fits: the horizontal scroll bar takes its height from the rows, and the window grows
        // by that much while the screen allows it, so that no row hides under the bar.
        const double width = DesiredWidth;
        ContentHeight += scrollBar;
        CalcFormSize();
        DesiredWidth = width;
    }
    fitWindow();
}

void ResultsSizing::fitWindow()
{
    m_extraUsed = frameExtra();
    const QSize outer(Units::toPixels(DesiredWidth, dpi()), Units::toPixels(DesiredHeight, dpi()));
    m_window->resize(outer - m_extraUsed);
    if (const QScreen* where = m_window->screen()) {
        // Never under a panel: the whole frame inside the work area where it can be.
        const QRect work = where->availableGeometry();
        const QPoint at = m_window->frameGeometry().topLeft();
        const QPoint inside(qBound(work.left(), at.x(), qMax(work.left(), work.right() + 1 - outer.width())),
                            qBound(work.top(), at.y(), qMax(work.top(), work.bottom() + 1 - outer.height())));
        if (inside != at)
            m_window->move(inside);
    }
    Form_Resize();
}

qint16 ResultsSizing::GetColwidth(qint16 col) const
{
    return qint16(ResultsLayout::colWidth(
        Units::toTwips(m_window->fontMetrics().horizontalAdvance(m_grid->heading(col)), dpi())));
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
    // The window manager framed the window after it was sized: the frame comes on top, not out of the grid.
    if (DesiredWidth > 0 && frameExtra() != m_extraUsed) {
        m_resizing = true;
        fitWindow();
        m_resizing = false;
    }
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
