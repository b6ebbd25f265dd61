#include "gui/results/CellPictures.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace {

QPixmap picture(void (*draw)(QPainter&))
{
    QImage image(20, 17, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return QPixmap::fromImage(image);
}

void drawTick(QPainter& p)
{
    p.setPen(QPen(QColor(0, 145, 113), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(4, 9), QPointF(8, 13), QPointF(16, 3)}));
}

void drawCross(QPainter& p)
{
    p.setPen(QPen(QColor(227, 2, 2), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 3), QPointF(15, 13));
    p.drawLine(QPointF(15, 3), QPointF(5, 13));
}

void drawQuestion(QPainter& p)
{
    const QColor blue(50, 16, 222);
    p.setPen(QPen(blue, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath hook;
    hook.moveTo(6.5, 5.5);
    hook.cubicTo(6.5, 1.0, 13.5, 1.0, 13.5, 5.0);
    hook.cubicTo(13.5, 8.0, 10.0, 8.0, 10.0, 11.0);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawEllipse(QPointF(10.0, 14.5), 1.6, 1.6);
}

} // namespace

namespace CellPictures {

QPixmap free()
{
    return picture(drawTick);
}

QPixmap taken()
{
    return picture(drawCross);
}

QPixmap unknown()
{
    return picture(drawQuestion);
}

} // namespace CellPictures

void PictureDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem plain = option;
    initStyleOption(&plain, index);
    const QPixmap pixmap = index.data(Qt::DecorationRole).value<QPixmap>();
    QStyle* style = plain.widget ? plain.widget->style() : QApplication::style();
    // Background and selection only.
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &plain, painter, plain.widget);
    if (!pixmap.isNull()) {
        const QSize size = pixmap.deviceIndependentSize().toSize();
        const QRect target(option.rect.x() + (option.rect.width() - size.width()) / 2,
                           option.rect.y() + (option.rect.height() - size.height()) / 2, size.width(), size.height());
        painter->drawPixmap(target, pixmap);
    }
    if (plain.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(plain);
        focus.rect = style->subElementRect(QStyle::SE_ItemViewItemFocusRect, &plain, plain.widget);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, plain.widget);
    }
}
