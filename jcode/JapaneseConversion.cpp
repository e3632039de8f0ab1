#include "jcode/JapaneseConversion.h"

#include <array>
#include <optional>
#include <utility>

#include "jcode/Cp932Tables.h"
#include "jcode/PairConversion.h"
#include "jcode/SjisBytes.h"

namespace jcode {
namespace {

constexpr char kEsc = 0x1B;
constexpr unsigned char kShiftOut = 0x0E;
constexpr unsigned char kShiftIn = 0x0F;
constexpr std::string_view kKanjiIn = "\x1B$B";
constexpr std::string_view kKanjiOut = "\x1B(J";

// Full-width Shift_JIS characters for the half-width bytes 0xA1-0xDF, in byte order.
constexpr std::array<std::uint16_t, 63> kFullWidthKana = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344,
    0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815B, 0x8341, 0x8343,
    0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E, 0x8350, 0x8352, 0x8354,
    0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365, 0x8367,
    0x8369, 0x836A, 0x836B, 0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377,
    0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388,
    0x8389, 0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,
};

unsigned char ByteAt(std::string_view text, std::size_t index) { return static_cast<unsigned char>(text[index]); }

// The JIS output of SjisToJis and EucToJis: ESC $ B before the first pair of a kanji run, ESC ( J
// before the one-byte character after it and at the end of the text.
class KanjiRunWriter {
public:
    explicit KanjiRunWriter(std::size_t inputSize) { out_.reserve(inputSize + 8); }

    void Pair(BytePair pair) {
        if (!inKanji_) out_ += kKanjiIn;
        inKanji_ = true;
        out_ += static_cast<char>(pair.first);
        out_ += static_cast<char>(pair.second);
    }

    void Single(char byte) {
        if (inKanji_) out_ += kKanjiOut;
        inKanji_ = false;
        out_ += byte;
    }

    std::string Finish() && {
        if (inKanji_) out_ += kKanjiOut;
        return std::move(out_);
    }

private:
    std::string out_;
    bool inKanji_ = false;
};

enum class JisState { Ascii, Kanji, Kana };

// The state an escape sequence starting at index switches to; nothing when there is none.
std::optional<JisState> EscapeTarget(std::string_view text, std::size_t index) {
    if (text[index] != kEsc || index + 3 > text.size()) return std::nullopt;
    const char b1 = text[index + 1];
    const char b2 = text[index + 2];
    if (b1 == '$' && (b2 == 'B' || b2 == '@')) return JisState::Kanji;
    if (b1 == '(' && (b2 == 'B' || b2 == 'J')) return JisState::Ascii;
    if (b1 == '(' && b2 == 'I') return JisState::Kana;
    return std::nullopt;
}

constexpr bool InJisRange(unsigned char byte) { return byte >= 0x21 && byte <= 0x7F; }
constexpr int kJisRangeSize = 0x7F - 0x21 + 1;

constexpr std::uint16_t ComputeJisPair(int j1, int j2) {
    const int s1 = (j1 + 1) / 2 + (j1 <= 0x5E ? 0x70 : 0xB0);
    const int s2 = j1 % 2 == 0 ? j2 + 0x7E : j2 <= 0x5F ? j2 + 0x1F : j2 + 0x20;
    return static_cast<std::uint16_t>(s1 << 8 | s2);
}

// Every pair of the accepted JIS range, worked out once: kanji runs are most of what is converted.
constexpr auto kJisPairTable = [] {
    std::array<std::uint16_t, kJisRangeSize * kJisRangeSize> table{};
    for (int j1 = 0x21; j1 <= 0x7F; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7F; ++j2) table[(j1 - 0x21) * kJisRangeSize + (j2 - 0x21)] = ComputeJisPair(j1, j2);
    }
    return table;
}();

// A code point from the supplementary planes, spelt as a proper four-byte sequence. Anything else
// above U+FFFF is malformed input whose bytes are better kept than swallowed.
bool IsWellFormedSupplementary(std::string_view sequence, std::uint32_t value) {
    if (sequence.size() != 4 || value < 0x10000 || value > 0x10FFFF) return false;
    for (std::size_t i = 1; i < 4; ++i) {
        if ((ByteAt(sequence, i) & 0xC0) != 0x80) return false;
    }
    return true;
}

}  // namespace

BytePair JisPairToSjis(unsigned char j1, unsigned char j2) {
    if (!InJisRange(j1) || !InJisRange(j2)) return {j1, j2};
    const std::uint16_t code = kJisPairTable[(j1 - 0x21) * kJisRangeSize + (j2 - 0x21)];
    return {static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code & 0xFF)};
}

BytePair SjisPairToJis(unsigned char s1, unsigned char s2) {
    const int d = s1 <= 0x9F ? 0x70 : 0xB0;
    int j1;
    int j2;
    if (s2 >= 0x9F) {
        j1 = (s1 - d) * 2;
        j2 = s2 - 0x7E;
    } else {
        j1 = (s1 - d) * 2 - 1;
        j2 = s2 >= 0x80 ? s2 - 0x20 : s2 - 0x1F;
    }
    return {static_cast<unsigned char>(j1 & 0x7F), static_cast<unsigned char>(j2 & 0x7F)};
}

BytePair HalfKanaToFull(unsigned char halfKana) {
    const std::uint16_t code = kFullWidthKana[halfKana - 0xA1];
    return {static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code & 0xFF)};
}

std::string JisToSjis(std::string_view jis) {
    // Every rule writes at most two bytes per byte it consumes; writing through a pointer into a buffer
    // of that size keeps the per-byte cost to a compare or two.
    std::string out(jis.size() * 2, '\0');
    char* o = out.data();
    auto put = [&o](BytePair pair) {
        *o++ = static_cast<char>(pair.first);
        *o++ = static_cast<char>(pair.second);
    };
    JisState state = JisState::Ascii;
    JisState saved = JisState::Ascii;
    const std::size_t n = jis.size();
    std::size_t p = 0;
    // Only ESC and SO can change the mode outside katakana, so the long plain and kanji runs go through
    // these tight loops and every other byte through the full rule table below.
    auto isModeByte = [&jis](std::size_t at) { return jis[at] == kEsc || jis[at] == static_cast<char>(kShiftOut); };
    while (p < n) {
        if (state == JisState::Ascii) {
            for (; p < n && !isModeByte(p); ++p) *o++ = jis[p];
            if (p == n) break;
        } else if (state == JisState::Kanji) {
            for (; p + 1 < n && !isModeByte(p); p += 2) put(JisPairToSjis(ByteAt(jis, p), ByteAt(jis, p + 1)));
            if (p == n) break;
        }
        const unsigned char byte = ByteAt(jis, p);
        if (const std::optional<JisState> target = EscapeTarget(jis, p)) {
            state = *target;
            p += 3;
            continue;
        }
        if (state != JisState::Kana && byte == kShiftOut) {
            saved = state;
            state = JisState::Kana;
            p += 1;
        } else if (state == JisState::Kana && byte == kShiftIn) {
            state = saved;
            p += 1;
        } else if (state == JisState::Kanji && p + 1 < n) {
            put(JisPairToSjis(byte, ByteAt(jis, p + 1)));
            p += 2;
        } else if (state == JisState::Kana && byte >= 0x21 && byte <= 0x5F) {
            put(HalfKanaToFull(static_cast<unsigned char>(byte + 0x80)));
            p += 1;
        } else {
            *o++ = static_cast<char>(byte);
            p += 1;
        }
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return out;
}

std::string SjisToJis(std::string_view sjis) {
    KanjiRunWriter out(sjis.size());
    std::size_t p = 0;
    while (p < sjis.size()) {
        const unsigned char byte = ByteAt(sjis, p);
        // A lead byte in the last position meets the end, as if a blank followed it.
        const unsigned char next = p + 1 < sjis.size() ? ByteAt(sjis, p + 1) : ' ';
        if (IsSjisLead(byte) && IsSjisTrail(next)) {
            out.Pair(SjisPairToJis(byte, next));
            p += 2;
        } else if (IsHalfKana(byte)) {
            const BytePair full = HalfKanaToFull(byte);
            out.Pair(SjisPairToJis(full.first, full.second));
            p += 1;
        } else {
            out.Single(byte < 0x80 ? static_cast<char>(byte) : '?');
            p += 1;
        }
    }
    return std::move(out).Finish();
}

std::string EucToJis(std::string_view euc) {
    KanjiRunWriter out(euc.size());
    std::size_t p = 0;
    while (p < euc.size()) {
        const unsigned char byte = ByteAt(euc, p);
        const unsigned char next = p + 1 < euc.size() ? ByteAt(euc, p + 1) : ' ';
        if (byte > 0x80 && next > 0x80) {
            out.Pair({static_cast<unsigned char>(byte - 0x80), static_cast<unsigned char>(next - 0x80)});
            p += 2;
        } else if (byte >= 0x80) {
            p += 1;  // a stray high byte is dropped and leaves the mode alone
        } else {
            out.Single(static_cast<char>(byte));
            p += 1;
        }
    }
    return std::move(out).Finish();
}

std::uint16_t UnicodeToSjis(std::uint32_t value) {
    if (value > 0xFFFF) return 0;
    const unsigned page = value >> 8;
    const unsigned low = value & 0xFF;
    if (page == 0 && low < 0x80) return static_cast<std::uint16_t>(low);
    const UnicodeSjisPage& entry = UnicodeSjisTable[page];
    if (low < entry.first || low >= entry.first + entry.count) return 0;
    return entry.codes[low - entry.first];
}

Utf8Piece Utf8CharToSjis(std::string_view utf8) {
    // Built only on the cut-off paths: the text is usually the whole rest of a header, so copying it for
    // every character would make Utf8ToSjis quadratic.
    const auto unfinished = [utf8] { return Utf8Piece{std::string(utf8), utf8.size()}; };
    auto b = [&](std::size_t i) -> std::uint32_t { return ByteAt(utf8, i); };
    auto tail = [&](std::size_t i) -> std::uint32_t { return b(i) & 0x3F; };
    const std::uint32_t b0 = b(0);
    std::size_t count;
    std::uint32_t value;
    if (b0 < 0x80) {
        count = 1;
        value = b0;
    } else if (utf8.size() < 2) {
        return unfinished();
    } else if ((b0 & 0xE0) == 0xC0) {
        count = 2;
        value = (b0 & 0x1F) << 6 | tail(1);
    } else if (utf8.size() < 3) {
        return unfinished();
    } else if ((b0 & 0xF0) == 0xE0) {
        count = 3;
        value = (b0 & 0x0F) << 12 | tail(1) << 6 | tail(2);
    } else if (utf8.size() < 4) {
        return unfinished();
    } else if ((b0 & 0xF8) == 0xF0) {
        count = 4;
        value = (b0 & 0x07) << 18 | tail(1) << 12 | tail(2) << 6 | tail(3);
    } else if (utf8.size() < 5) {
        return unfinished();
    } else if ((b0 & 0xFC) == 0xF8) {
        count = 5;
        value = (b0 & 0x03) << 24 | tail(1) << 18 | tail(2) << 12 | tail(3) << 6 | tail(4);
    } else if (utf8.size() < 6) {
        return unfinished();
    } else {
        // Stray continuation bytes and 0xFC-0xFF lead a six-byte reading too.
        count = 6;
        value = (b0 & 0x01) << 30 | tail(1) << 24 | tail(2) << 18 | tail(3) << 12 | tail(4) << 6 | tail(5);
    }
    const std::string_view sequence = utf8.substr(0, count);
    const std::uint16_t code =
        IsWellFormedSupplementary(sequence, value) ? kSjisGetaMark : UnicodeToSjis(value);
    if (code == 0) return {std::string(sequence), count};
    Utf8Piece piece{{}, count};
    AppendSjisCode(piece.bytes, code);
    return piece;
}

std::string Utf8ToSjis(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const Utf8Piece piece = Utf8CharToSjis(utf8);
        out += piece.bytes;
        utf8.remove_prefix(piece.consumed);
    }
    return out;
}

}  // namespace jcode
