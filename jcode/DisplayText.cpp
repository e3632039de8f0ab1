#include "jcode/DisplayText.h"

#include <cstdint>
#include <optional>

#include "jcode/Cp932Tables.h"
#include "jcode/JapaneseConversion.h"
#include "jcode/SjisBytes.h"

namespace jcode {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

void AppendUtf8(std::string& out, char32_t value) {
    if (value < 0x80) {
        out += static_cast<char>(value);
    } else if (value < 0x800) {
        out += static_cast<char>(0xC0 | value >> 6);
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        // Code page 932 reaches only the 16-bit range.
        out += static_cast<char>(0xE0 | value >> 12);
        out += static_cast<char>(0x80 | (value >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    }
}

int LeadRow(unsigned char lead) { return lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + (0x9F - 0x81 + 1); }

struct DecodedUtf8 {
    char32_t value;
    std::size_t length;
};

// One well-formed UTF-8 sequence (no overlong forms, no surrogates, nothing above U+10FFFF), or nothing.
std::optional<DecodedUtf8> DecodeUtf8Strictly(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length;
    char32_t value;
    char32_t minimum;
    if (lead < 0x80) return DecodedUtf8{lead, 1};
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() < length) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return std::nullopt;
        value = value << 6 | (byte(i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
    return DecodedUtf8{value, length};
}

}  // namespace

std::string SjisToUtf8(std::string_view sjis) {
    std::string out;
    out.reserve(sjis.size() * 3 / 2);
    std::size_t p = 0;
    while (p < sjis.size()) {
        // Headers are mostly ASCII, which code page 932 keeps as it is: such runs are copied whole.
        std::size_t ascii = p;
        while (ascii < sjis.size() && static_cast<unsigned char>(sjis[ascii]) < 0x80) ++ascii;
        if (ascii != p) {
            out.append(sjis.substr(p, ascii - p));
            p = ascii;
            continue;
        }
        const unsigned char byte = static_cast<unsigned char>(sjis[p]);
        if (IsSjisLead(byte)) {
            const bool paired = p + 1 < sjis.size() && IsSjisTrail(static_cast<unsigned char>(sjis[p + 1]));
            if (!paired) {
                AppendUtf8(out, kReplacementCharacter);
                p += 1;
                continue;
            }
            const unsigned char trail = static_cast<unsigned char>(sjis[p + 1]);
            const std::uint16_t value = kCp932DoubleByte[LeadRow(byte)][trail - 0x40];
            AppendUtf8(out, value != 0 ? value : kReplacementCharacter);
            p += 2;
            continue;
        }
        const std::uint16_t value = kCp932SingleByte[byte];
        AppendUtf8(out, value != kCp932NotSingleByte ? value : kReplacementCharacter);
        p += 1;
    }
    return out;
}

std::string Utf8ToSjisStrict(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const std::optional<DecodedUtf8> decoded = DecodeUtf8Strictly(utf8);
        const std::uint16_t code = decoded ? UnicodeToSjis(decoded->value) : 0;
        if (decoded && decoded->value == 0) {
            out += '\0';
        } else if (code == 0) {
            out += '?';
        } else {
            AppendSjisCode(out, code);
        }
        utf8.remove_prefix(decoded ? decoded->length : 1);
    }
    return out;
}

}  // namespace jcode
