// Throughput of the display conversions against glibc iconv on the same ISO-2022-JP text.
// Prints MB/s per benchmark and, at the end, the ratio of our JisToSjis to iconv.

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

// Mail-like text: lines mixing kana and level-1 kanji runs with ASCII words, digits and punctuation,
// spelled in Shift_JIS and converted to ISO-2022-JP as a sender's mail program would.
std::string MakeIso2022JpText(std::size_t targetBytes) {
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
    return jcode::SjisToJis(sjis);
}

// Subject, From and Message-ID values as they arrive in today's mail.
std::vector<std::string> MakeHeaderCorpus() {
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
    std::vector<std::string> corpus;
    for (int i = 0; i < 1000; ++i) corpus.push_back(samples[i % samples.size()]);
    return corpus;
}

const std::string& Iso2022JpText() {
    static const std::string text = MakeIso2022JpText(1 << 20);
    return text;
}

void BM_JisToSjis(benchmark::State& state) {
    const std::string& text = Iso2022JpText();
    for (auto _ : state) benchmark::DoNotOptimize(jcode::JisToSjis(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_JisToSjis)->Unit(benchmark::kMillisecond);

void BM_IconvIso2022JpToCp932(benchmark::State& state) {
    const std::string& text = Iso2022JpText();
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
BENCHMARK(BM_IconvIso2022JpToCp932)->Unit(benchmark::kMillisecond);

void BM_DisplayPipelineOnHeaders(benchmark::State& state) {
    const std::vector<std::string> corpus = MakeHeaderCorpus();
    std::size_t bytes = 0;
    for (const std::string& value : corpus) bytes += value.size();
    for (auto _ : state) {
        for (const std::string& value : corpus) benchmark::DoNotOptimize(jcode::JisToSjis(jcode::DecodeMimeHeader(value)));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * corpus.size()));
}
BENCHMARK(BM_DisplayPipelineOnHeaders)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's bytes per second for the closing ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto found = run.counters.find("bytes_per_second");
            if (found != run.counters.end()) bytesPerSecond_[run.benchmark_name()] = found->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double BytesPerSecond(const std::string& name) const {
        const auto found = bytesPerSecond_.find(name);
        return found == bytesPerSecond_.end() ? 0.0 : found->second.value;
    }

private:
    std::map<std::string, benchmark::Counter> bytesPerSecond_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.BytesPerSecond("BM_JisToSjis");
    const double iconv = reporter.BytesPerSecond("BM_IconvIso2022JpToCp932");
    const double pipeline = reporter.BytesPerSecond("BM_DisplayPipelineOnHeaders");
    std::printf("\nJisToSjis: %.1f MB/s; glibc iconv ISO-2022-JP to CP932: %.1f MB/s; ratio JisToSjis/iconv: %.2f\n",
                ours / 1e6, iconv / 1e6, iconv > 0 ? ours / iconv : 0.0);
    std::printf("Display pipeline on header values: %.1f MB/s; ratio to iconv: %.2f\n", pipeline / 1e6,
                iconv > 0 ? pipeline / iconv : 0.0);
    benchmark::Shutdown();
    return 0;
}
