#include "cli/TerminalText.h"

#include "jcode/SjisBytes.h"

namespace cli {
namespace {

// Trail bytes a terminal reads as the second half of a character; 0x7F is DEL there, whatever precedes it.
constexpr bool IsPrintedTrail(unsigned char byte) { return jcode::IsSjisTrail(byte) && byte != 0x7f; }

std::string ReplaceControls(std::string_view text, bool keepLayout) {
    std::string shown(text);
    std::size_t i = 0;
    while (i < shown.size()) {
        const auto byte = static_cast<unsigned char>(shown[i]);
        const bool paired = i + 1 < shown.size() && IsPrintedTrail(static_cast<unsigned char>(shown[i + 1]));
        if (jcode::IsSjisLead(byte) && paired) {
            i += 2;
            continue;
        }
        // Any other high byte is either a katakana or no character at all, and a terminal may read the latter
        // as an 8-bit control (0x9B opens a control sequence).
        const bool lineEnd = byte == '\n' || (byte == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n');
        const bool layout = keepLayout && (byte == '\t' || lineEnd);
        const bool control = (byte < 0x20 && !layout) || byte == 0x7f;
        const bool stray = byte >= 0x80 && !jcode::IsHalfKana(byte);
        if (control || stray) shown[i] = '?';
        i += 1;
    }
    return shown;
}

}  // namespace

std::string WithoutTerminalControls(std::string_view text) { return ReplaceControls(text, true); }

std::string AsTerminalField(std::string_view text) { return ReplaceControls(text, false); }

}  // namespace cli
