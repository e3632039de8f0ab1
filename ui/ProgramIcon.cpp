#include "ui/ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ui {
namespace {

constexpr QColor kButtonBarBlue(0, 0, 160);
constexpr int kTraySide = 16;

QPixmap DrawLetter(int size, const QColor& ground = kButtonBarBlue) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(ground);
    painter.drawRoundedRect(QRectF(0, 0, size, size), 3 * unit, 3 * unit);

    const QRectF letter(2 * unit, 4 * unit, 12 * unit, 8 * unit);
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(0, 0, 96), unit));
    painter.drawRect(letter);
    QPainterPath flap;
    flap.moveTo(letter.topLeft());
    flap.lineTo(letter.center().x(), letter.top() + 4.5 * unit);
    flap.lineTo(letter.topRight());
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(flap);
    return pixmap;
}

}  // namespace

QList<QIcon> NewMailFrames() {
    return {QIcon(DrawLetter(kTraySide, QColor(255, 200, 0))), QIcon(DrawLetter(kTraySide, QColor(220, 0, 0)))};
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48}) icon.addPixmap(DrawLetter(size));
    return icon;
}

}  // namespace ui
