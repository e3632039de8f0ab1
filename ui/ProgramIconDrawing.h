#pragma once

#include <QColor>
#include <QPainter>

namespace ui {

inline constexpr QColor kButtonBarBlue(0, 0, 160);

// The program's picture, a letter on a rounded square of `ground`, filling size x size from the painter's
// origin. The windows, the tray and the desktop's icon theme (PNG and SVG, made at build time) all draw it here.
void DrawProgramLetter(QPainter& painter, qreal size, const QColor& ground = kButtonBarBlue);

}  // namespace ui
