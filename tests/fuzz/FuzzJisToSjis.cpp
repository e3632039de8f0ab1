#include "jcode/JapaneseConversion.h"
#include "tests/fuzz/FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = AsText(data, size);
    const std::string output = jcode::JisToSjis(input);
    FUZZ_REQUIRE(output.size() <= 2 * input.size());
    // Without escapes or shift-out there is no mode change, so Shift_JIS and ASCII pass untouched.
    if (input.find('\x1B') == std::string_view::npos && input.find('\x0E') == std::string_view::npos) {
        FUZZ_REQUIRE(output == input);
    }
    return 0;
}
