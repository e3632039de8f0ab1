// Throughput of the display conversions, and glibc iconv on the same ISO-2022-JP text in the same run.
// Prints MB/s per benchmark and, at the end, ratios between measurements of the same input only.

#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdio>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "jcode/JapaneseConversion.h"
#include "jcode/MimeHeader.h"
#include "jcode/PairConversion.h"

namespace {

// Inputs are lists of values converted one by one, as the program converts header values; the 1 MiB
// text is a list of one.
using Corpus = std::vector<std::string>;

// Mail-like text in Shift_JIS: lines mixing kana and level-1 kanji runs with ASCII words, digits and
// punctuation.
std::string MakeShiftJisText(std::size_t targetBytes) {
    std::mt19937 random(2026);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    auto jisChar = [&]() -> std::pair<int, int> {
        const int kind = pick(0, 9);
        if (kind < 4) return {0x24, pick(0x21, 0x73)};  // hiragana
        if (kind < 5) return {0x25, pick(0x21, 0x76)};  // katakana
        return {pick(0x30, 0x4E), pick(0x21, 0x7E)};     // kanji
    };
    const char* words[] = {"Re:", "2026", "OK", "http://example.jp/", "PDF", "(", ")", "10:30", "-", "No."};
    std::string sjis;
    while (sjis.size() < targetBytes) {
        std::string line;
        while (line.size() < 68) {
            for (int n = pick(3, 18); n > 0; --n) {
                const auto [j1, j2] = jisChar();
                const jcode::BytePair pair = jcode::JisPairToSjis(static_cast<unsigned char>(j1),
                                                                  static_cast<unsigned char>(j2));
                line += static_cast<char>(pair.first);
                line += static_cast<char>(pair.second);
            }
            if (pick(0, 2) == 0) line += std::string(" ") + words[pick(0, 9)] + " ";
        }
        sjis += line + "\r\n";
    }
    return sjis;
}

// Subject, From and Message-ID values as they arrive in today's mail.
Corpus MakeHeaderCorpus() {
    const std::vector<std::string> samples = {
        "=?ISO-2022-JP?B?GyRCPGg0ViRORiM3bCRLJEQkJCRGGyhC?=",
        "Re: =?iso-2022-jp?B?GyRCJDckaCQmJEckOSEjGyhC?= =?iso-2022-jp?B?GyRCJCIkaiQsJEgkJhsoQg==?=",
        "=?UTF-8?B?44CQ6YeN6KaB44CR5LyB55S744Gu44GU5qGI5YaF?=",
        "=?UTF-8?Q?=E4=BC=9A=E8=AD=B0=E3=81=AE=E3=81=8A=E7=9F=A5=E3=82=89=E3=81=9B?=",
        "=?Shift_JIS?B?gXmWopDzk/iNTI2QgXo=?= sale",
        "=?EUC-JP?B?pKikzqS/pLik4qS3pMakqqSqpOqk3qS5?=",
        "\"=?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= =?ISO-2022-JP?B?GyRCQkBPOhsoQg==?=\" <taro@example.jp>",
        "Weekly report 2026-12-07",
        "<20261207093015.4A2B@mail.example.co.jp>",
        "\x1B$B$3$s$K$A$O\x1B(B hello",
    };
    Corpus corpus;
    for (int i = 0; i < 1000; ++i) corpus.push_back(samples[i % samples.size()]);
    return corpus;
}

const Corpus& ShiftJisText() {
    static const Corpus text{MakeShiftJisText(1 << 20)};
    return text;
}

// The same text as a sender's mail program would send it.
const Corpus& Iso2022JpText() {
    static const Corpus text{jcode::SjisToJis(ShiftJisText().front())};
    return text;
}

const Corpus& HeaderCorpus() {
    static const Corpus corpus = MakeHeaderCorpus();
    return corpus;
}


using Convert = std::string (*)(std::string_view);
using Input = const Corpus& (*)();

void BM_Convert(benchmark::State& state, Convert convert, Input input) {
    const Corpus& corpus = input();
    std::size_t bytes = 0;
    for (const std::string& value : corpus) bytes += value.size();
    for (auto _ : state) {
        for (const std::string& value : corpus) benchmark::DoNotOptimize(convert(value));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_Iconv(benchmark::State& state, Input input) {
    const std::string& text = input().front();
    iconv_t converter = iconv_open("CP932", "ISO-2022-JP");
    if (converter == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv has no ISO-2022-JP to CP932");
    std::string output(text.size() * 2, '\0');
    for (auto _ : state) {
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char* out = output.data();
        std::size_t outLeft = output.size();
        if (iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
            state.SkipWithError("iconv rejected the text");
            break;
        }
        benchmark::DoNotOptimize(out);
    }
    iconv_close(converter);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

BENCHMARK_CAPTURE(BM_Convert, JisToSjis/text, &jcode::JisToSjis, &Iso2022JpText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Convert, DisplayPipeline/text, &jcode::DecodeHeaderForDisplay, &Iso2022JpText)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Iconv, IconvToCp932/text, &Iso2022JpText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Convert, SjisToJis/text, &jcode::SjisToJis, &ShiftJisText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Convert, JisToSjis/headers, &jcode::JisToSjis, &HeaderCorpus)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Convert, DisplayPipeline/headers, &jcode::DecodeHeaderForDisplay, &HeaderCorpus)
    ->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's bytes per second, in MB/s, for the closing lines.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto found = run.counters.find("bytes_per_second");
            if (found != run.counters.end()) megabytesPerSecond_[run.benchmark_name()] = found->second.value / 1e6;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double MegabytesPerSecond(const std::string& name) const {
        const auto found = megabytesPerSecond_.find(name);
        return found == megabytesPerSecond_.end() ? 0.0 : found->second;
    }

private:
    std::map<std::string, double> megabytesPerSecond_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double iconv = reporter.MegabytesPerSecond("BM_Iconv/IconvToCp932/text");
    const double jisText = reporter.MegabytesPerSecond("BM_Convert/JisToSjis/text");
    const double pipelineText = reporter.MegabytesPerSecond("BM_Convert/DisplayPipeline/text");
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("\n1 MiB ISO-2022-JP text, MB/s: JisToSjis %.1f, display pipeline %.1f, glibc iconv to CP932 %.1f;"
                " JisToSjis/iconv %.2f, pipeline/iconv %.2f\n",
                jisText, pipelineText, iconv, ratio(jisText, iconv), ratio(pipelineText, iconv));
    std::printf("Header corpus, MB/s: JisToSjis %.1f, display pipeline %.1f\n",
                reporter.MegabytesPerSecond("BM_Convert/JisToSjis/headers"),
                reporter.MegabytesPerSecond("BM_Convert/DisplayPipeline/headers"));
    benchmark::Shutdown();
    return 0;
}
