#pragma once
// Byte-level conversion between ISO-2022-JP, Shift_JIS, EUC-JP and UTF-8. Pure functions; none fails:
// bytes that fit no rule are copied, replaced by "?", dropped or kept raw, as each converter documents.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace jcode {

// ISO-2022-JP (with SO/SI and ESC ( I katakana) to Shift_JIS. Text without escapes passes unchanged,
// which is why Shift_JIS and ASCII headers survive the display pipeline.
std::string JisToSjis(std::string_view jis);

// Shift_JIS to ISO-2022-JP; opens runs with ESC $ B, closes them with ESC ( J. Half-width katakana are
// sent full-width; bytes that are not a character become "?".
std::string SjisToJis(std::string_view sjis);

// EUC-JP to ISO-2022-JP. Single-shift bytes get no special treatment (see JisToSjis for the result).
std::string EucToJis(std::string_view euc);

// UTF-8 to Shift_JIS; characters without a Shift_JIS code keep their UTF-8 bytes.
std::string Utf8ToSjis(std::string_view utf8);

// --- steps of Utf8ToSjis; UnicodeToSjis also serves DisplayText.h ---

struct Utf8Piece {
    std::string bytes;
    std::size_t consumed;
};
// Converts the first UTF-8 sequence of a non-empty text. A sequence cut off by the end of the text is
// returned whole and unconverted.
Utf8Piece Utf8CharToSjis(std::string_view utf8);

// 16-bit Shift_JIS code of a Unicode value up to U+FFFF, 0 when unmapped. Codes below 0x100 are single bytes.
std::uint16_t UnicodeToSjis(std::uint32_t value);

// What a character outside the 16-bit range becomes (emoji are common in today's subjects): the geta
// mark, the customary stand-in for a character Shift_JIS cannot hold.
inline constexpr std::uint16_t kSjisGetaMark = 0x81AC;

}  // namespace jcode
