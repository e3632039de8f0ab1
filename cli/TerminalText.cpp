#include "cli/TerminalText.h"

namespace cli {

std::string WithoutTerminalControls(std::string_view text) {
    std::string shown(text);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const auto byte = static_cast<unsigned char>(shown[i]);
        const bool lineEnd = byte == '\n' || (byte == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n');
        if ((byte < 0x20 && byte != '\t' && !lineEnd) || byte == 0x7f) shown[i] = '?';
    }
    return shown;
}

}  // namespace cli
