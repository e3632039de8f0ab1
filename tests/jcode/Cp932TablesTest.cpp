#include <gtest/gtest.h>

#include <optional>
#include <set>

#include "jcode/Cp932Tables.h"
#include "jcode/JapaneseConversion.h"
#include "jcode/SjisBytes.h"

using namespace jcode;

namespace {

// The character a code decodes to through the forward tables, nothing where it decodes to none.
std::optional<std::uint32_t> Decode(int code) {
    if (code < 0x100) {
        const std::uint16_t value = kCp932SingleByte[code];
        if (value == kCp932NotSingleByte) return std::nullopt;
        return value;
    }
    const int lead = code >> 8;
    const int trail = code & 0xFF;
    if (!IsSjisLead(lead) || trail < 0x40 || trail > 0xFC) return std::nullopt;
    const std::uint16_t value = kCp932DoubleByte[lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 0x1F][trail - 0x40];
    if (value == 0) return std::nullopt;
    return value;
}

}  // namespace

TEST(UnicodeSjisTable, HasTheExpectedShape) {
    int pages = 0;
    int entries = 0;
    int mapped = 0;
    for (const UnicodeSjisPage& page : UnicodeSjisTable) {
        if (page.count == 0) continue;
        ++pages;
        entries += page.count;
        for (int i = 0; i < page.count; ++i) mapped += page.codes[i] != 0;
        // The covered range runs from the first to the last mapped low byte.
        EXPECT_NE(page.codes[0], 0);
        EXPECT_NE(page.codes[page.count - 1], 0);
    }
    EXPECT_EQ(pages, 107);
    EXPECT_EQ(entries, 23835);
    EXPECT_EQ(mapped, 9273);
}

TEST(UnicodeSjisTable, PageRanges) {
    struct Range {
        int page, first, last;
    } ranges[] = {
        {0x00, 0xA7, 0xF7}, {0x03, 0x91, 0xC9}, {0x04, 0x01, 0x51}, {0x20, 0x10, 0x3B}, {0x21, 0x03, 0xD4},
        {0x22, 0x00, 0xBF}, {0x23, 0x12, 0x12}, {0x24, 0x60, 0x73}, {0x25, 0x00, 0xEF}, {0x26, 0x05, 0x6F},
        {0x30, 0x00, 0xFE}, {0x32, 0x31, 0xA8}, {0x33, 0x03, 0xCD}, {0xE0, 0x00, 0xFF}, {0xE1, 0x00, 0xFF},
        {0xE2, 0x00, 0xFF}, {0xE3, 0x00, 0xFF}, {0xE4, 0x00, 0xFF}, {0xE5, 0x00, 0xFF}, {0xE6, 0x00, 0xFF},
        {0xE7, 0x00, 0x57}, {0xF8, 0xF0, 0xF3}, {0xF9, 0x29, 0xDC}, {0xFA, 0x0E, 0x2D}, {0xFF, 0x01, 0xE5},
    };
    for (const Range& range : ranges) {
        const UnicodeSjisPage& page = UnicodeSjisTable[range.page];
        EXPECT_EQ(page.first, range.first) << std::hex << range.page;
        EXPECT_EQ(page.first + page.count - 1, range.last) << std::hex << range.page;
    }
    for (int page = 0x4E; page <= 0x9F; ++page) EXPECT_GT(UnicodeSjisTable[page].count, 0) << std::hex << page;
    EXPECT_EQ(UnicodeSjisTable[0x01].count, 0);
    EXPECT_EQ(UnicodeSjisTable[0xD8].count, 0);
}

TEST(UnicodeToSjis, LowestCodeWinsAndUnreachedCharactersAreUnmapped) {
    struct Row {
        std::uint32_t value;
        std::uint16_t code;
    } rows[] = {
        {0x0041, 0x41},   {0x00A7, 0x8198}, {0x00F7, 0x8180}, {0x0391, 0x839F}, {0x0401, 0x8446},
        {0x3000, 0x8140}, {0x3042, 0x82A0}, {0x4E00, 0x88EA}, {0x2460, 0x8740}, {0xFF61, 0xA1},
        {0x2252, 0x81E0}, {0x2160, 0x8754}, {0x2170, 0xEEEF}, {0xFFE2, 0x81CA}, {0xFF02, 0xEEFC},
        {0x7E8A, 0xED40}, {0xE000, 0xF040}, {0xE757, 0xF9FC}, {0xF8F0, 0xA0},   {0xF8F3, 0xFF},
        {0x0080, 0},      {0x00A2, 0},      {0x00A5, 0},      {0x00AC, 0},      {0x2014, 0},
        {0x2016, 0},      {0x2212, 0},      {0x301C, 0},      {0x00A6, 0},      {0x00F8, 0},
        {0x1F600, 0},
    };
    for (const Row& row : rows) EXPECT_EQ(UnicodeToSjis(row.value), row.code) << std::hex << row.value;
}

TEST(Cp932Tables, EveryReverseEntryDecodesToItsCharacter) {
    std::set<std::uint32_t> checked;
    for (int page = 0; page < 256; ++page) {
        const UnicodeSjisPage& entry = UnicodeSjisTable[page];
        for (int i = 0; i < entry.count; ++i) {
            const std::uint16_t code = entry.codes[i];
            if (code == 0) continue;
            const std::uint32_t value = page << 8 | (entry.first + i);
            EXPECT_EQ(Decode(code), value) << std::hex << code;
            checked.insert(value);
        }
    }
    EXPECT_EQ(checked.size(), 9273u);
    EXPECT_EQ(kCp932SingleByte[0x80], 0x80);
    EXPECT_EQ(kCp932SingleByte[0x81], kCp932NotSingleByte);
    EXPECT_EQ(kCp932SingleByte[0xB1], 0xFF71);
}

TEST(Cp932Tables, EveryDecodableCodeLeadsBackToTheLowestCodeOfItsCharacter) {
    int decodable = 0;
    for (int code = 0; code <= 0xFCFC; ++code) {
        const std::optional<std::uint32_t> value = Decode(code);
        if (!value) continue;
        ++decodable;
        if (*value == 0x80) continue;  // the one character the reverse table leaves out
        const std::uint16_t kept = UnicodeToSjis(*value);
        EXPECT_EQ(Decode(kept), value) << std::hex << code;
        EXPECT_LE(kept, code) << std::hex << code;
    }
    // 196 single bytes and 9,604 pairs, as Python's decoder counts them.
    EXPECT_EQ(decodable, 9800);
}

TEST(Cp932Tables, UserDefinedAreaMapsInCodeOrder) {
    std::uint32_t value = 0xE000;
    for (int lead = 0xF0; lead <= 0xF9; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            EXPECT_EQ(UnicodeToSjis(value), lead << 8 | trail) << std::hex << value;
            ++value;
        }
    }
    EXPECT_EQ(value, 0xE758u);
}
