// How the converters' time grows with their input: each runs on inputs of 1, 4 and 16 MiB built from a
// repeated unit, and the bench prints the time of each and the ratios from one size to the next. Four
// times the input should take about four times as long; a cost that grows with the square of the size
// gives about sixteen, which the closing word of each line points out for the largest step. The sizes lie
// beyond the caches, which would make a small run look cheaper than linear, the more so while other
// processes share them: the ratios mean most on a quiet machine.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "jcode/DisplayText.h"
#include "jcode/JapaneseConversion.h"
#include "jcode/MimeHeader.h"

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

constexpr std::size_t kMiB = 1024 * 1024;
constexpr std::size_t kSizes[] = {kMiB, 4 * kMiB, 16 * kMiB};

double Seconds(const LargeInput& input, const std::string& text) {
    const auto start = std::chrono::steady_clock::now();
    const std::string out = input.convert(text);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (out.empty()) std::printf("%s: empty output\n", input.name);
    return took.count();
}

// The best of a few rounds over all sizes, so that another process taking the core now and then does not
// count, nor weighs on one size more than on the others.
std::array<double, 3> FastestSeconds(const LargeInput& input) {
    std::array<std::string, 3> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = Repeated(input, kSizes[i]);
    std::array<double, 3> fastest;
    fastest.fill(1e9);
    for (int round = 0; round < 5; ++round) {
        for (std::size_t i = 0; i < texts.size(); ++i) fastest[i] = std::min(fastest[i], Seconds(input, texts[i]));
    }
    for (double& seconds : fastest) seconds = std::max(seconds, 1e-7);
    return fastest;
}

const std::string kUtf8A = "\xE3\x81\x82";
const std::string kEucA = "\xA4\xA2";
const std::string kSjisA = "\x82\xA0";
const std::string kJisA = "\x1B$B\x24\x22\x1B(J";

}  // namespace

int main() {
    const LargeInput inputs[] = {
        {"UTF-8 word then raw UTF-8", &DecodeHeaderForDisplay, "=?UTF-8?B?44GC?= ", kUtf8A},
        {"many UTF-8 words", &DecodeHeaderForDisplay, "", "=?UTF-8?B?44GC?= "},
        {"open word full of =? without ?=", &DecodeHeaderForDisplay, "=?UTF-8?Q?", "=?a"},
        {"EUC-JP word then raw EUC-JP", &DecodeHeaderForDisplay, "=?EUC-JP?B?pKI=?= ", kEucA + "a"},
        {"header of many lines", &DecodeHeaderLinesForDisplay, "", "Subject: =?UTF-8?Q?=0D=0A?=\r\n"},
        {"raw UTF-8 lines beside a UTF-8 word", &DecodeHeaderLinesForDisplay, "Subject: =?UTF-8?B?44GC?=\r\n",
         "From: " + kUtf8A + "\r\n"},
        {"raw UTF-8", &Utf8ToSjis, "", kUtf8A + "a"},
        {"cut-off UTF-8 sequences", &Utf8ToSjis, "", "\xE3\x81"},
        {"JIS kanji and escapes", &JisToSjis, "", kJisA + "\x0E\x31\x0F"},
        {"Shift_JIS to JIS", &SjisToJis, "", kSjisA + "a\xB1"},
        {"EUC-JP to JIS", &EucToJis, "", kEucA + "a\x80"},
        {"Shift_JIS to UTF-8", &SjisToUtf8, "", kSjisA + "a\x82"},
        {"UTF-8 to Shift_JIS, strictly", &Utf8ToSjisStrict, "", kUtf8A + "\xE3\x81"},
        {"Q text full of =", [](std::string_view text) { return QDecodeText(text); }, "", "=4=41"},
        {"base64 text", [](std::string_view text) { return Base64DecodeText(text); }, "", "44GC*"},
        {"JIS header to encode", &EncodeJisHeader, "", kJisA + "a"},
    };
    constexpr double kFasterThanLinear = 8.0;  // halfway, in orders of growth, between 4 and 16
    std::printf("%-40s %10s %10s %10s %8s %8s\n", "input", "1 MiB", "4 MiB", "16 MiB", "ratio", "ratio");
    for (const LargeInput& input : inputs) {
        const std::array<double, 3> seconds = FastestSeconds(input);
        const double first = seconds[1] / seconds[0];
        const double second = seconds[2] / seconds[1];
        std::printf("%-40s %8.2fms %8.2fms %8.2fms %8.1f %8.1f  %s\n", input.name, seconds[0] * 1e3,
                    seconds[1] * 1e3, seconds[2] * 1e3, first, second,
                    second < kFasterThanLinear ? "linear" : "GROWS FASTER THAN LINEAR");
    }
    return 0;
}
