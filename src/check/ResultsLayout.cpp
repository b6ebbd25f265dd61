#include "check/ResultsLayout.h"

#include "core/Units.h"

#include <algorithm>

namespace ResultsLayout {

int colWidth(double headingWidth)
{
    return int(Units::roundHalfEven(headingWidth + 200));
}

Grid layoutGrid(const std::vector<double>& headingWidths, const std::vector<double>& nameWidths)
{
    Grid grid;
    grid.columnWidths.resize(headingWidths.size() + 1);
    double total = 0;
    for (size_t c = 0; c < headingWidths.size(); ++c) {
        grid.columnWidths[c + 1] = colWidth(headingWidths[c]);
        total += grid.columnWidths[c + 1];
    }
    double widest = 0;
    for (const double width : nameWidths)
        widest = std::max(widest, Units::roundHalfEven(width));
    grid.columnWidths[0] = int(widest + 250);
    // The names' column gets 250 but the content only counts 50 of it.
    grid.contentWidth = widest + total + 50;
    grid.contentHeight = double(nameWidths.size() + 1) * RowPitch;
    return grid;
}

Size calcFormSize(double contentWidth, double contentHeight, const Size& screen)
{
    Size size{contentWidth + 450, contentHeight + 1400};
    if (size.width > 0.9 * screen.width)
        size.width = 0.9 * screen.width;
    if (size.width < 2500)
        size.width = 2500;
    if (0.9 * screen.height < size.height)
        size.height = 0.9 * screen.height;
    return size;
}

Resize resizeRule(const Size& window, const Size& desired, double contentWidth)
{
    Resize result;
    result.window = window;
    if (contentWidth != 0) {
        if (window.width > desired.width) {
            result.window.width = desired.width;
            result.snapped = true;
        }
        if (window.height > desired.height) {
            result.window.height = desired.height;
            result.snapped = true;
        }
    }
    const double w = result.window.width;
    const double h = result.window.height;
    if (h > 1300 && w > 1700)
        result.placement = Placement{h - 1100, w - 1480, h - 1100, w - 1365, h - GridHeightMargin, w - GridWidthMargin};
    return result;
}

} // namespace ResultsLayout
