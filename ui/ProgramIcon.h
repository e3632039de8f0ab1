#pragma once

#include <QIcon>

namespace ui {

// The program's icon: a letter on the button bar's blue, drawn at the sizes windows and task bars ask for.
QIcon ProgramIcon();

}  // namespace ui
