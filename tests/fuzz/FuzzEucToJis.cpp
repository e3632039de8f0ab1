#include "jcode/JapaneseConversion.h"
#include "tests/fuzz/FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string jis = jcode::EucToJis(AsText(data, size));
    FUZZ_REQUIRE(IsSevenBit(jis));
    jcode::JisToSjis(jis);
    return 0;
}
