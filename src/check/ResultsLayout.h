#pragma once

#include <optional>
#include <vector>

// The sizing of the results window in twips (1/1440 inch), kept free of widgets.
namespace ResultsLayout {

constexpr double RowHeight = 300;
constexpr double RowPitch = 301; // a row and its grid line
// What the placement gives the grid beyond the content: the window is the content and 450 x 1400, the grid the
// window less 150 x 1170.
constexpr double GridWidthAllowance = 300;
constexpr double GridHeightAllowance = 230;
constexpr double GridWidthMargin = 150;
constexpr double GridHeightMargin = 1170;

// Header text width plus 200, rounded to a whole number, ties to even.
int colWidth(double headingWidth);

struct Grid
{
    std::vector<int> columnWidths; // [0] the names' column, then one per result column
    double contentWidth = 0;
    double contentHeight = 0;
};
// From the measured widths of the headings (columns 1 on) and of the names of the rows.
Grid layoutGrid(const std::vector<double>& headingWidths, const std::vector<double>& nameWidths);

struct Size
{
    double width = 0;
    double height = 0;
};
// The window size that fits the grid: at most 90 % of the screen, never narrower than 2500.
Size calcFormSize(double contentWidth, double contentHeight, const Size& screen);

// Where the resize rule puts the controls, in the window's client coordinates.
struct Placement
{
    double progressTop = 0;
    double progressWidth = 0;
    double buttonTop = 0;
    double buttonLeft = 0;
    double gridHeight = 0;
    double gridWidth = 0;
};
struct Resize
{
    Size window;                        // the outer size after the rule
    bool snapped = false;               // the window was larger than it may be
    std::optional<Placement> placement; // nothing when the window is too small to move the controls
};
// For a window in its normal state, outer size `window`.
Resize resizeRule(const Size& window, const Size& desired, double contentWidth);

} // namespace ResultsLayout
