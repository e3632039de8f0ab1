#pragma once
// The windows' edge of the Shift_JIS world: every text between the core and a widget crosses here, through
// the program's own code page 932 tables.

#include <QString>
#include <string>
#include <string_view>

namespace ui {

QString FromSjis(std::string_view sjis);

// Characters Shift_JIS cannot hold become "?"; the fields refuse them before they get this far.
std::string ToSjis(const QString& text);

// Whether every character comes back unchanged from a trip to Shift_JIS, so what the user sees is what
// the program stores and sends.
bool SjisCanHold(const QString& text);

// A multi-line text of the core (CR LF between lines, a lone CR too) as a widget shows it, and back.
QString FromSjisLines(std::string_view sjis);
std::string ToSjisLines(const QString& text);

}  // namespace ui
