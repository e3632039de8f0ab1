#pragma once

#include <string>
#include <string_view>

namespace cli {

// Text from a stranger's mail header on its way to a terminal: every control byte except TAB, LF and
// the CR of a CR LF becomes "?", so that an escape sequence or a lone CR hidden in an encoded-word cannot
// move the cursor, rewrite what is shown or drive the terminal. Shift_JIS stays intact: no byte of a
// double-byte character is a control byte.
std::string WithoutTerminalControls(std::string_view text);

}  // namespace cli
