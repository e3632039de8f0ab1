#include "jcode/JapaneseConversion.h"
#include "jcode/SjisBytes.h"
#include "tests/fuzz/FuzzChecks.h"

namespace {

// Printable ASCII and JIS X 0208 pairs (lead 0x81-0x9F or 0xE0-0xEF, any trail but 0x7F): the text that
// survives the trip to ISO-2022-JP and back byte for byte.
bool IsRoundTrippable(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte <= 0x7E) continue;
        if (byte > 0xEF || !jcode::IsSjisLead(byte) || i + 1 == text.size()) return false;
        const unsigned char trail = static_cast<unsigned char>(text[++i]);
        if (!jcode::IsSjisTrail(trail) || trail == 0x7F) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = AsText(data, size);
    const std::string jis = jcode::SjisToJis(input);
    FUZZ_REQUIRE(IsSevenBit(jis));
    if (IsRoundTrippable(input)) FUZZ_REQUIRE(jcode::JisToSjis(jis) == input);
    return 0;
}
