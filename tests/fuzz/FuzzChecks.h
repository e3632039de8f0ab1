#pragma once
// Properties the fuzz targets hold the converters to. A broken property aborts, which libFuzzer reports
// as a crash with the input that caused it.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#define FUZZ_REQUIRE(condition)                                                   \
    do {                                                                          \
        if (!(condition)) {                                                       \
            std::fprintf(stderr, "property broken: %s\n", #condition);            \
            std::abort();                                                         \
        }                                                                         \
    } while (false)

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

inline bool IsSevenBit(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

inline bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3
                                                : (lead & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        std::uint32_t value = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            value = value << 6 | (next & 0x3F);
        }
        const std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < minimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}
