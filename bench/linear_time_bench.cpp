// How the converters' time grows with their input: each runs on inputs of 256 KiB, 1 MiB and 4 MiB built
// from a repeated unit, and the bench prints the time of each and the ratios from one size to the next.
// Sixteen times the input should take about sixteen times as long; a cost that grows with the square of
// the size gives about 256, which the closing word of each line points out. Sizes start beyond the caches
// and beyond the allocator's switch to mapped memory, which would make the smallest run look cheaper than
// linear.

#include <algorithm>
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

// The best of a few runs, so that another process taking the core now and then does not count.
double FastestSeconds(const LargeInput& input, std::size_t size) {
    const std::string text = Repeated(input, size);
    double fastest = 1e9;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const std::string out = input.convert(text);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (out.empty()) std::printf("%s: empty output\n", input.name);
        fastest = std::min(fastest, took.count());
    }
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
    constexpr std::size_t kSizes[] = {256 * 1024, 1024 * 1024, 4 * 1024 * 1024};
    // Halfway, in orders of growth, between 16 and 256; judged over the whole range, where a busy moment
    // in one run weighs less than in a single step.
    constexpr double kFasterThanLinear = 64.0;
    std::printf("%-40s %10s %10s %10s %8s %8s\n", "input", "256 KiB", "1 MiB", "4 MiB", "ratio", "ratio");
    for (const LargeInput& input : inputs) {
        double seconds[3];
        for (int i = 0; i < 3; ++i) seconds[i] = std::max(FastestSeconds(input, kSizes[i]), 1e-7);
        const double first = seconds[1] / seconds[0];
        const double second = seconds[2] / seconds[1];
        std::printf("%-40s %8.2fms %8.2fms %8.2fms %8.1f %8.1f  %s\n", input.name, seconds[0] * 1e3,
                    seconds[1] * 1e3, seconds[2] * 1e3, first, second,
                    first * second < kFasterThanLinear ? "linear" : "GROWS FASTER THAN LINEAR");
    }
    return 0;
}
