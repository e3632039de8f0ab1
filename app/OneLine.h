#pragma once
// A sender or subject decoded from a stranger's header is shown on one line: a line break decoded out of it
// would start a line of the listing's own, which can be made to read as a whole further entry.

#include <string>
#include <string_view>

namespace app {

inline bool IsControlByte(unsigned char byte) { return byte < 0x20 || byte == 0x7f; }

// Every control byte shows as "?". Shift_JIS stays intact: no byte of a double-byte character is one.
inline std::string OnOneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (IsControlByte(static_cast<unsigned char>(c))) c = '?';
    }
    return line;
}

}  // namespace app
