#pragma once

#include <string>
#include <string_view>

namespace cli {

// Text from a stranger's mail header on its way to a terminal: every control byte except TAB, LF and
// the CR of a CR LF becomes "?", so that an escape sequence or a lone CR hidden in an encoded-word cannot
// move the cursor, rewrite what is shown or drive the terminal. Shift_JIS characters stay intact, double-byte
// and half-width katakana alike; any other byte from 0x80 up (a lone lead byte, 0x80, 0xA0, 0xFD-0xFF) is
// no character and becomes "?" too, since a terminal may take it for an 8-bit control such as CSI.
std::string WithoutTerminalControls(std::string_view text);

// A value printed as one field of a tab-separated line or of a Key=Value line, such as a field of a data
// file written by another program: as above, but TAB and line ends become "?" as well, so the value can
// neither drive the terminal nor end its column or its line.
std::string AsTerminalField(std::string_view text);

}  // namespace cli
