#pragma once
// What the program's windows share in their looks.

class QAbstractItemView;
class QWidget;

namespace ui {

// The grey-green background of every window of the program, black text on it, white lists and fields with
// black text. The colours are the window's own, so a dark or high-contrast desktop changes none of them:
// taking only the text from the desktop would put light text on the light background.
void PaintWindowColour(QWidget& window);
// A list whose selection the user works on from other controls keeps it as clearly marked when the focus
// is elsewhere.
void KeepSelectionVisible(QAbstractItemView& list);
// Places the window in the middle of the screen `near` is on.
void CentreOnScreen(QWidget& window, const QWidget& near);

}  // namespace ui
