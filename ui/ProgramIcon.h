#pragma once

#include <QIcon>
#include <QList>

namespace ui {

// The program's icon: a letter on the button bar's blue, drawn at the sizes windows and task bars ask for.
QIcon ProgramIcon();

// The two 16 x 16 frames the tray icon alternates while mail waits: the letter on yellow, then on red.
QList<QIcon> NewMailFrames();

}  // namespace ui
