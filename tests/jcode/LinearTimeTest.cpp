#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>

#include "jcode/DisplayText.h"
#include "jcode/JapaneseConversion.h"
#include "jcode/MimeHeader.h"
#include "tests/jcode/Bytes.h"

using namespace jcode;

namespace {

using Converter = std::function<std::string(std::string_view)>;

struct LargeInput {
    const char* name;
    Converter convert;
    std::string opening;  // once, before the repeated unit
    std::string unit;
};

std::string Repeated(const LargeInput& input, std::size_t size) {
    std::string text = input.opening;
    while (text.size() < size) text += input.unit;
    return text;
}

// The best of a few runs, so that another process taking the core now and then does not count.
double FastestSeconds(const LargeInput& input, std::size_t size) {
    const std::string text = Repeated(input, size);
    double fastest = 1e9;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const std::string out = input.convert(text);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        EXPECT_FALSE(out.empty()) << input.name;
        fastest = std::min(fastest, took.count());
    }
    return fastest;
}

}  // namespace

// Eight times the input may take about eight times as long; a cost that grows with the square of the size
// takes sixty-four times as long, which the limit of twenty tells apart from a noisy linear run.
TEST(Converters, TakeTimeInProportionToTheirInput) {
    const std::string utf8A = Bytes({0xE3, 0x81, 0x82});
    const std::string eucA = Bytes({0xA4, 0xA2});
    const LargeInput inputs[] = {
        {"UTF-8 word then raw UTF-8", &DecodeHeaderForDisplay, "=?UTF-8?B?44GC?= ", utf8A},
        {"many UTF-8 words", &DecodeHeaderForDisplay, "", "=?UTF-8?B?44GC?= "},
        {"open word full of =? without ?=", &DecodeHeaderForDisplay, "=?UTF-8?Q?", "=?a"},
        {"EUC-JP word then raw EUC-JP", &DecodeHeaderForDisplay, "=?EUC-JP?B?pKI=?= ", eucA + "a"},
        {"header of many lines", &DecodeHeaderLinesForDisplay, "", "Subject: =?UTF-8?Q?=0D=0A?=\r\n"},
        {"raw UTF-8", &Utf8ToSjis, "", utf8A + "a"},
        {"cut-off UTF-8 sequences", &Utf8ToSjis, "", "\xE3\x81"},
        {"JIS kanji and escapes", &JisToSjis, "", kJisA + "\x0E\x31\x0F"},
        {"Shift_JIS to JIS", &SjisToJis, "", kSjisA + "a\xB1"},
        {"EUC-JP to JIS", &EucToJis, "", eucA + "a\x80"},
        {"Shift_JIS to UTF-8", &SjisToUtf8, "", kSjisA + "a\x82"},
        {"UTF-8 to Shift_JIS, strictly", &Utf8ToSjisStrict, "", utf8A + "\xE3\x81"},
        {"Q text full of =", [](std::string_view text) { return QDecodeText(text); }, "", "=4=41"},
        {"base64 text", [](std::string_view text) { return Base64DecodeText(text); }, "", "44GC*"},
        {"JIS header to encode", &EncodeJisHeader, "", kJisA + "a"},
    };
    constexpr std::size_t kSize = 32 * 1024;
    for (const LargeInput& input : inputs) {
        const double small = FastestSeconds(input, kSize);
        const double large = FastestSeconds(input, 8 * kSize);
        EXPECT_LT(large, 20 * std::max(small, 1e-6)) << input.name << ": " << small << " s, then " << large << " s";
    }
}
