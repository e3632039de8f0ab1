#include "ui/WindowLook.h"

#include <QAbstractItemView>
#include <QColor>
#include <QPalette>
#include <QWidget>

namespace ui {

void PaintWindowColour(QWidget& window) {
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(201, 210, 211));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
}

void KeepSelectionVisible(QAbstractItemView& list) {
    QPalette palette = list.palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    list.setPalette(palette);
}

}  // namespace ui
