#include "ui/WindowLook.h"

#include <QAbstractItemView>
#include <QColor>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace ui {

namespace {

constexpr QColor kWindowColour(201, 210, 211);
constexpr QColor kButtonFace(240, 240, 240);
constexpr QColor kSelection(48, 140, 198);
constexpr QColor kDisabledText(120, 120, 120);

}  // namespace

void PaintWindowColour(QWidget& window) {
    // Every role is set, shades and disabled texts derived from the button face, so nothing is left for
    // the desktop's palette to fill in.
    QPalette palette(kButtonFace, kWindowColour);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::ButtonText, Qt::black);
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::AlternateBase, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Highlight, kSelection);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::PlaceholderText, kDisabledText);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
        palette.setColor(QPalette::Disabled, role, kDisabledText);
    }
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

void CentreOnScreen(QWidget& window, const QWidget& near) {
    if (const QScreen* screen = near.screen()) window.move(screen->availableGeometry().center() - window.rect().center());
}

}  // namespace ui
