#pragma once

#include <string>
#include <string_view>

namespace cli {

// Text from a stranger's mail header on its way to a terminal: every control byte except TAB, LF and
// the CR of a CR LF becomes "?", so that an escape sequence or a lone CR hidden in an encoded-word cannot
// move the cursor, rewrite what is shown or drive the terminal. Shift_JIS stays intact: no byte of a
// double-byte character is a control byte.
std::string WithoutTerminalControls(std::string_view text);

// A value printed as one field of a tab-separated line or of a Key=Value line, such as a field of a data
// file written by another program: every control byte becomes "?", TAB and line ends included, so the
// value can neither drive the terminal nor end its column or its line.
std::string AsTerminalField(std::string_view text);

}  // namespace cli
