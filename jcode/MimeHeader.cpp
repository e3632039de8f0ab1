#include "jcode/MimeHeader.h"

#include <algorithm>
#include <array>
#include <vector>

#include "jcode/JapaneseConversion.h"

namespace jcode {
namespace {

struct CharsetStage {
    std::string_view marker;
    std::string_view charset;
    std::string (*afterwards)(std::string_view);
};

// The EUC-JP and UTF-8 converters run over the whole text, plain 8-bit bytes outside the words included.
constexpr std::array<CharsetStage, 4> kStages = {{
    {"=?ISO-2022-JP?", "iso-2022-jp", nullptr},
    {"=?EUC-JP?", "euc-jp", &EucToJis},
    {"=?SHIFT_JIS?", "shift_jis", nullptr},
    {"=?UTF-8?", "utf-8", &Utf8ToSjis},
}};

constexpr std::string_view kBase64Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    }
    return true;
}

constexpr std::string_view kWordOpening = "=?";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kWordClosing = "?=";

// Every stage marker starts with "=?", so only the places where that stands need comparing.
bool HasMarker(std::string_view text, std::string_view marker) {
    for (std::size_t at = text.find(kWordOpening); at != std::string_view::npos; at = text.find(kWordOpening, at + 1)) {
        if (EqualsIgnoringAsciiCase(text.substr(at, marker.size()), marker)) return true;
    }
    return false;
}

// The first place after a position where a marker stands. The positions asked about only grow, so a place
// found once stays the answer until it is passed: an open word full of "=?" without a closing "?=" would
// otherwise search the rest of the text for the closing at every "=?".
class NextOccurrence {
public:
    NextOccurrence(std::string_view text, std::string_view marker) : text_(text), marker_(marker) {}

    std::size_t After(std::size_t position) {
        if (found_ != std::string_view::npos && found_ <= position) found_ = text_.find(marker_, position + 1);
        return found_;
    }

private:
    std::string_view text_;
    std::string_view marker_;
    std::size_t found_ = 0;
};

constexpr std::array<int, 256> MakeBase64Values() {
    std::array<int, 256> values{};
    values.fill(-1);
    for (std::size_t i = 0; i < kBase64Alphabet.size(); ++i) {
        values[static_cast<unsigned char>(kBase64Alphabet[i])] = static_cast<int>(i);
    }
    return values;
}
constexpr std::array<int, 256> kBase64Values = MakeBase64Values();

int UpperHexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Base64Encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    auto digit = [](unsigned value) { return kBase64Alphabet[value & 0x3F]; };
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned group = static_cast<unsigned char>(bytes[i]) << 16 |
                               static_cast<unsigned char>(bytes[i + 1]) << 8 | static_cast<unsigned char>(bytes[i + 2]);
        out += {digit(group >> 18), digit(group >> 12), digit(group >> 6), digit(group)};
    }
    const std::size_t rest = bytes.size() - i;
    if (rest == 1) {
        const unsigned group = static_cast<unsigned char>(bytes[i]) << 16;
        out += {digit(group >> 18), digit(group >> 12), '=', '='};
    } else if (rest == 2) {
        const unsigned group = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += {digit(group >> 18), digit(group >> 12), digit(group >> 6), '='};
    }
    return out;
}

std::string ApplyStage(const CharsetStage& stage, std::string_view text) {
    std::string decoded = DecodeEncodedWords(text, stage.charset);
    return stage.afterwards != nullptr ? stage.afterwards(decoded) : decoded;
}

std::vector<std::string> SplitAtLineEnds(std::string_view lines) {
    std::vector<std::string> split;
    for (std::size_t start = 0;;) {
        const std::size_t end = lines.find(kLineEnd, start);
        split.emplace_back(lines.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) return split;
        start = end + kLineEnd.size();
    }
}

}  // namespace

std::string DecodeMimeHeader(std::string_view text) {
    std::string current(text);
    for (const CharsetStage& stage : kStages) {
        if (HasMarker(current, stage.marker)) current = ApplyStage(stage, current);
    }
    return current;
}

std::string DecodeHeaderForDisplay(std::string_view text) { return JisToSjis(DecodeMimeHeader(text)); }

std::string DecodeHeaderLinesForDisplay(std::string_view lines) {
    // Each stage is decided as for one text, by its marker anywhere in the header as the earlier stages
    // left it, so a raw UTF-8 line beside a UTF-8 word is converted too; it is then applied line by line,
    // so that a word or a cut-off sequence never reaches over a line end.
    std::vector<std::string> split = SplitAtLineEnds(lines);
    for (const CharsetStage& stage : kStages) {
        const bool marked =
            std::any_of(split.begin(), split.end(), [&](const std::string& line) { return HasMarker(line, stage.marker); });
        if (!marked) continue;
        for (std::string& line : split) line = ApplyStage(stage, line);
    }
    std::string jis;
    jis.reserve(lines.size());
    for (std::size_t i = 0; i < split.size(); ++i) {
        std::replace_if(split[i].begin(), split[i].end(), [](char c) { return c == '\r' || c == '\n'; }, '?');
        if (i > 0) jis += kLineEnd;
        jis += split[i];
    }
    // JisToSjis writes no CR or LF of its own, so the line ends above stay the only ones.
    return JisToSjis(jis);
}

std::string DecodeEncodedWords(std::string_view text, std::string_view charset) {
    constexpr char kOutside = ' ';
    const std::size_t length = charset.size();
    std::string result;
    std::string payload;
    char encoding = kOutside;
    NextOccurrence opening{text, kWordOpening};
    NextOccurrence closing{text, kWordClosing};
    std::size_t i = 0;
    while (i < text.size()) {
        // "=?" charset "?" letter "?"
        const bool opens = i + length + 4 < text.size() && text.substr(i, 2) == kWordOpening &&
                           EqualsIgnoringAsciiCase(text.substr(i + 2, length), charset) &&
                           text[i + length + 2] == '?' && text[i + length + 4] == '?';
        if (opens) {
            encoding = text[i + length + 3];
            payload.clear();  // a word left open is dropped undecoded
            i += length + 5;
        } else if (encoding != kOutside && text.substr(i, 2) == kWordClosing) {
            if (!payload.empty()) result += DecodeWordText(encoding, payload);
            encoding = kOutside;
            payload.clear();
            i += 2;
        } else {
            // Up to the next place where a word may open or close, every byte is copied as it stands.
            std::size_t next = opening.After(i);
            if (encoding != kOutside) next = std::min(next, closing.After(i));
            if (next == std::string_view::npos) next = text.size();
            (encoding != kOutside ? payload : result).append(text.substr(i, next - i));
            i = next;
        }
    }
    if (encoding != kOutside && !payload.empty()) result += DecodeWordText(encoding, payload);
    return result;
}

std::string DecodeWordText(char encoding, std::string_view payload) {
    switch (encoding) {
        case 'B':
        case 'b':
            return Base64DecodeText(payload);
        case 'Q':
        case 'q':
            return QDecodeText(payload);
        default:
            return std::string(payload);
    }
}

std::string Base64DecodeText(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3 + 2);
    std::array<int, 4> group{};
    std::size_t filled = 0;
    for (const char c : text) {
        const int value = kBase64Values[static_cast<unsigned char>(c)];
        if (value < 0) continue;
        group[filled++] = value;
        if (filled == 4) {
            out += static_cast<char>(group[0] << 2 | group[1] >> 4);
            out += static_cast<char>((group[1] & 0x0F) << 4 | group[2] >> 2);
            out += static_cast<char>((group[2] & 0x03) << 6 | group[3]);
            filled = 0;
        }
    }
    if (filled >= 2) out += static_cast<char>(group[0] << 2 | group[1] >> 4);
    if (filled == 3) out += static_cast<char>((group[1] & 0x0F) << 4 | group[2] >> 2);
    return out;
}

std::string QDecodeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t equals;
    while ((equals = text.find('=')) != std::string_view::npos) {
        out += text.substr(0, equals);
        text.remove_prefix(equals);
        const int high = text.size() >= 3 ? UpperHexValue(text[1]) : -1;
        const int low = text.size() >= 3 ? UpperHexValue(text[2]) : -1;
        if (high >= 0 && low >= 0) {
            out += static_cast<char>(high << 4 | low);
            text.remove_prefix(3);
        } else {
            out += '=';
            text.remove_prefix(1);
        }
    }
    out += text;
    return out;
}

std::string EncodeJisHeader(std::string_view jis) {
    constexpr char kEsc = 0x1B;
    std::string result;
    bool inRun = false;
    std::size_t start = 0;
    const std::size_t n = jis.size();
    for (std::size_t i = 0; i < n; ++i) {
        // An escape sequence counts only with at least one byte after it.
        if (jis[i] != kEsc || i + 3 >= n) continue;
        const char b1 = jis[i + 1];
        const char b2 = jis[i + 2];
        if (!inRun && b1 == '$' && (b2 == 'B' || b2 == '@')) {
            if (i > start) result += jis.substr(start, i - start);
            inRun = true;
            start = i;
        } else if (inRun && b1 == '(' && (b2 == 'J' || b2 == 'B')) {
            if (i > start) result += EncodeJisWord(jis.substr(start, i + 3 - start));
            inRun = false;
            start = i + 3;
        }
    }
    if (start < n) {
        const std::string_view rest = jis.substr(start);
        result += inRun ? EncodeJisWord(rest) : std::string(rest);
    }
    return result;
}

std::string EncodeJisWord(std::string_view bytes) { return "=?ISO-2022-JP?B?" + Base64Encode(bytes) + "?="; }

}  // namespace jcode
