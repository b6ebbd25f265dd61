#pragma once

#include "core/Utils.h"

#include <QString>
#include <optional>

// The arithmetic of the domain selection dialog: which record a box shows, and the window heights.
namespace DomainsPage {

constexpr int BoxCount = 14;
constexpr int BoxPitchTwips = 250;
constexpr int CompactHeightTwips = 1400; // the top band only
constexpr int FullHeightTwips = 5985;    // with the page and Select All / Clear All

// The last page ends with the last record; with no more records than boxes the bar cannot move.
int barMaximum(int tldCount);
// The record box `box` shows with the page starting at `top`; none when that would be outside the table.
std::optional<int> recordAt(int top, int box, int tldCount);
QString caption(const Utils::TldRecord& record);
// The first record whose label starts with prefix, letter case aside.
std::optional<int> recordStartingWith(const QString& prefix, int tldCount);

// Client height for an outer window height in twips: the window frame and title bar come off, but never
// below what the visible content needs.
int clientHeight(int outerTwips, double dotsPerInch, int frameHeight, int contentHeight);

} // namespace DomainsPage
