#include "ui/ProgramIcon.h"

#include <QPixmap>

#include "ui/ProgramIconDrawing.h"

namespace ui {
namespace {

constexpr int kTraySide = 16;

QPixmap DrawLetter(int size, const QColor& ground = kButtonBarBlue) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    DrawProgramLetter(painter, size, ground);
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
