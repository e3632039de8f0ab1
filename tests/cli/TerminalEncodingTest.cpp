#include <gtest/gtest.h>

#include "tests/app/TempFolder.h"
#include "tests/cli/CliRunner.h"
#include "tests/jcode/Bytes.h"

namespace {
const std::string kUtf8A = Bytes({0xE3, 0x81, 0x82});
}  // namespace

// The real binary in each locale: C, C.UTF-8, a UTF-8 name whose locale is not installed, and Japanese locales
// in Shift_JIS and UTF-8 that the test makes for itself with localedef (rows skipped where it cannot).
TEST(TerminalEncoding, OutputFollowsTheLocaleUnlessAFlagSaysOtherwise) {
    TempFolder locales;
    const std::string localePath = locales.Path().string();
    const bool generated =
        RunShell("localedef -i ja_JP -f SHIFT_JIS --no-warnings=ascii '" + localePath + "/ja_JP.SJIS' 2>&1").status == 0 &&
        RunShell("localedef -i ja_JP -f UTF-8 '" + localePath + "/ja_JP.UTF-8' 2>&1").status == 0;
    if (!generated) std::cout << "localedef could not make ja_JP locales: their rows are skipped\n";

    struct Row {
        const char* locale;
        const char* flags;
        std::string output;
        bool generatedLocale = false;
    } rows[] = {
        {"C", "", kSjisA},
        {"C", "--utf8", kUtf8A},
        {"C.UTF-8", "", kUtf8A},
        {"C.UTF-8", "--sjis", kSjisA},
        {"C.UTF-8", "--utf8", kUtf8A},
        {"xx_XX.utf8@none", "", kUtf8A},
        {"ja_JP.SJIS", "", kSjisA, true},
        {"ja_JP.SJIS", "--utf8", kUtf8A, true},
        {"ja_JP.SJIS", "--sjis", kSjisA, true},
        {"ja_JP.UTF-8", "", kUtf8A, true},
        {"ja_JP.UTF-8", "--sjis", kSjisA, true},
    };
    for (const Row& row : rows) {
        if (row.generatedLocale && !generated) continue;
        const CliResult result = RunShell("printf '=?ISO-2022-JP?B?GyRCJCIbKEI=?=' | LOCPATH='" + localePath +
                                          "' LC_ALL=" + row.locale + " " + QUILLONV_CLI_PATH + " decode-header " +
                                          row.flags);
        EXPECT_EQ(result.status, 0) << row.locale << " " << row.flags;
        EXPECT_EQ(result.out, row.output) << row.locale << " " << row.flags;
    }
    EXPECT_EQ(RunShell(std::string(QUILLONV_CLI_PATH) + " accounts --utf8 --sjis 2>/dev/null").status, 2 << 8);
}
