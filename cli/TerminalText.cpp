#include "cli/TerminalText.h"

namespace cli {
namespace {

std::string ReplaceControls(std::string_view text, bool keepLayout) {
    std::string shown(text);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const auto byte = static_cast<unsigned char>(shown[i]);
        const bool lineEnd = byte == '\n' || (byte == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n');
        const bool layout = keepLayout && (byte == '\t' || lineEnd);
        if ((byte < 0x20 && !layout) || byte == 0x7f) shown[i] = '?';
    }
    return shown;
}

}  // namespace

std::string WithoutTerminalControls(std::string_view text) { return ReplaceControls(text, true); }

std::string AsTerminalField(std::string_view text) { return ReplaceControls(text, false); }

}  // namespace cli
