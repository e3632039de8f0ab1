#pragma once
// Conversions at the program's edges (windows, terminal, command line), where text leaves or enters the
// Shift_JIS world. Inside the program everything stays Shift_JIS.

#include <string>
#include <string_view>

namespace jcode {

// Shift_JIS (code page 932) to UTF-8 for showing. A byte or pair that is no character becomes U+FFFD, so
// whatever arrives from a server can be shown without breaking the terminal or the widget.
std::string SjisToUtf8(std::string_view sjis);

// UTF-8 typed by the user to Shift_JIS. Characters Shift_JIS cannot hold and malformed sequences become
// "?", as the system's own code page conversion does.
std::string Utf8ToSjisStrict(std::string_view utf8);

}  // namespace jcode
