#pragma once

#include <optional>

#include "ui/SingleInstance.h"

namespace ui {

// What this start does about other starts on its data folder. A later start asks the first program to
// come to the front and ends with the status returned. A folder that cannot be locked lets the program
// run unguarded; that, and a first program that does not answer, also go into a message box, as a desktop
// user never sees stderr. Needs the application object.
std::optional<int> SettleWithOtherStarts(SingleInstance& instance);

}  // namespace ui
