#include "jcode/DisplayText.h"
#include "jcode/JapaneseConversion.h"
#include "jcode/MimeHeader.h"
#include "tests/fuzz/FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = AsText(data, size);
    const std::string decoded = jcode::DecodeMimeHeader(input);
    // No "=?" means no encoded-word of any charset, and nothing else may change.
    if (input.find("=?") == std::string_view::npos) FUZZ_REQUIRE(decoded == input);
    const std::string shown = jcode::SjisToUtf8(jcode::JisToSjis(decoded));
    FUZZ_REQUIRE(IsValidUtf8(shown));
    return 0;
}
