#include "jcode/MimeHeader.h"
#include "tests/fuzz/FuzzChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = AsText(data, size);
    const std::string encoded = jcode::EncodeJisHeader(input);
    // Decoding gives the JIS text back, unless the plain parts already looked like encoded-words.
    if (input.find("=?") == std::string_view::npos) FUZZ_REQUIRE(jcode::DecodeMimeHeader(encoded) == input);
    return 0;
}
