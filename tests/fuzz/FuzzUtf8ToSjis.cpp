#include "jcode/DisplayText.h"
#include "jcode/JapaneseConversion.h"
#include "tests/fuzz/FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = AsText(data, size);
    const std::string sjis = jcode::Utf8ToSjis(input);
    // Every character becomes at most as many bytes as it had; ASCII passes unchanged.
    FUZZ_REQUIRE(sjis.size() <= input.size());
    if (IsSevenBit(input)) FUZZ_REQUIRE(sjis == input);
    // What the user types goes the other way: strictly, and always back to showable text.
    FUZZ_REQUIRE(IsValidUtf8(jcode::SjisToUtf8(jcode::Utf8ToSjisStrict(input))));
    return 0;
}
