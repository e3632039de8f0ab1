#include "ui/ProgramIconDrawing.h"

#include <QPainterPath>

namespace ui {

void DrawProgramLetter(QPainter& painter, qreal size, const QColor& ground) {
    painter.save();
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
    painter.restore();
}

}  // namespace ui
