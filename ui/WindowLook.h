#pragma once
// What the program's windows share in their looks.

class QAbstractItemView;
class QWidget;

namespace ui {

// The grey-green background of every window of the program.
void PaintWindowColour(QWidget& window);
// A list whose selection the user works on from other controls keeps it as clearly marked when the focus
// is elsewhere.
void KeepSelectionVisible(QAbstractItemView& list);

}  // namespace ui
