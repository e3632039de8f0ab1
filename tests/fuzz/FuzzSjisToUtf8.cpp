#include "jcode/DisplayText.h"
#include "tests/fuzz/FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string shown = jcode::SjisToUtf8(AsText(data, size));
    FUZZ_REQUIRE(IsValidUtf8(shown));
    FUZZ_REQUIRE(shown.size() <= 3 * size);
    return 0;
}
