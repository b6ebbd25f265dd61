#pragma once

#include <QPixmap>
#include <QStyledItemDelegate>

// The three pictures of the results grid, 20 x 17 pixels on a transparent ground: a green tick for free, a red
// cross for taken, a blue question mark for a candidate that could not be checked.
namespace CellPictures {
QPixmap free();
QPixmap taken();
QPixmap unknown();
} // namespace CellPictures

// Draws a cell's picture alone, centred; the style would put it at the left.
class PictureDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
