#include <gtest/gtest.h>

#include "app/data/ProfileFile.h"
#include "app/data/Settings.h"
#include "tests/app/HostileFiles.h"
#include "tests/app/TempFolder.h"

namespace {

const std::string kRefusalSubject = "\x8d\xc4\x91\x97\x90M\x8b\xd6\x8e~!";
const std::string kAdMarker = "\x96\xa2\x8f\xb3\x91\xf8\x8dL\x8d\x90";

app::Settings LoadFrom(const std::string& text) {
    TempFolder folder;
    WriteBytes(folder.Path() / "quillet.ini", text);
    return app::LoadSettings(folder.Path() / "quillet.ini");
}

TEST(ProfileFile, NamesIgnoreAsciiCaseValuesAreTrimmedFirstEntryWins) {
    const auto profile = app::ProfileFile::Parse(
        "[other]\nVolume=1\n [ INIT ] \r\n  volume =  7 \r\n; comment=no\nVOLUME=9\n[Init]\nSoundFile=x\n");
    EXPECT_EQ(profile.Value("Init", "Volume"), "7");
    EXPECT_EQ(profile.Value("init", "; comment"), std::nullopt);
    EXPECT_EQ(profile.Value("Init", "SoundFile"), std::nullopt);  // only the first [Init] counts
    EXPECT_EQ(profile.Value("Missing", "Volume"), std::nullopt);
}

TEST(ProfileFile, OnePairOfQuotesAroundTheWholeValueIsDropped) {
    const auto profile = app::ProfileFile::Parse(
        "[Init]\nSoundFile= \"C:\\a b.wav\" \nA=' kept blanks '\nB=\"\"twice\"\"\nC=\"mixed'\nD=\"\nE=\"\"\n"
        "F=\"left\" alone\nG=x\"y\"\n");
    EXPECT_EQ(profile.Value("Init", "SoundFile"), "C:\\a b.wav");
    EXPECT_EQ(profile.Value("Init", "A"), " kept blanks ");
    EXPECT_EQ(profile.Value("Init", "B"), "\"twice\"");
    EXPECT_EQ(profile.Value("Init", "C"), "\"mixed'");
    EXPECT_EQ(profile.Value("Init", "D"), "\"");
    EXPECT_EQ(profile.Value("Init", "E"), "");
    EXPECT_EQ(profile.Value("Init", "F"), "\"left\" alone");
    EXPECT_EQ(profile.Value("Init", "G"), "x\"y\"");
}

TEST(ProfileFile, CaseFoldingLeavesDoubleByteNamesExact) {
    // The second byte of the pair is "A" or "a": two different characters.
    const auto profile = app::ProfileFile::Parse("[s]\n\x83" "A=katakana\n");
    EXPECT_EQ(profile.Value("S", "\x83" "A"), "katakana");
    EXPECT_EQ(profile.Value("s", "\x83" "a"), std::nullopt);
}

TEST(ProfileFile, RewritingKeepsOtherLinesAndAddsInPlace) {
    auto profile = app::ProfileFile::Parse("; mine\r\n[Init]\r\nminimize=True\r\n\r\n[Other]\r\nK=v\r\n");
    EXPECT_TRUE(profile.SetValue("Init", "Minimize", "False"));
    EXPECT_TRUE(profile.SetValue("Init", "Volume", "3"));
    EXPECT_TRUE(profile.SetValue("New", "A", "b"));
    const std::string text =
        "; mine\r\n[Init]\r\nMinimize=False\r\nVolume=3\r\n\r\n[Other]\r\nK=v\r\n\r\n[New]\r\nA=b\r\n";
    EXPECT_EQ(profile.Text(), text);

    // What a line break would let through as lines of their own.
    EXPECT_FALSE(profile.SetValue("Init", "Minimize", "False\r\nVolume=0"));
    EXPECT_FALSE(profile.SetValue("Init", "Key\nVolume", "0"));
    EXPECT_FALSE(profile.SetValue("Init]\r[Other", "K", "x"));
    EXPECT_EQ(profile.Text(), text);
}

TEST(Settings, DefaultsWhenTheFileOrAKeyIsMissing) {
    TempFolder folder;
    const app::Settings settings = app::LoadSettings(folder.Path() / "quillet.ini");
    EXPECT_FALSE(settings.Minimize);
    EXPECT_TRUE(settings.HeaderAdd);
    EXPECT_EQ(settings.IntervalTime, "15");
    EXPECT_EQ(settings.SoundFile, "");
    EXPECT_EQ(settings.SendSubject, kRefusalSubject);
    EXPECT_EQ(settings.ReceiveSubject, kAdMarker);
    EXPECT_EQ(settings.Volume, 125);
    EXPECT_TRUE(settings.DesktopNotify);
    EXPECT_EQ(settings, app::DefaultSettings());
    EXPECT_EQ(LoadFrom("[Init]\r\nVolume=3\r\n").SendSubject, kRefusalSubject);
}

TEST(Settings, FlagsAreOnOnlyForTheExactWrittenText) {
    EXPECT_TRUE(LoadFrom("[Init]\nMinimize=True\nHeaderAdd=On\n").Minimize);
    const app::Settings other = LoadFrom("[Init]\nMinimize=true\nHeaderAdd=ON\n");
    EXPECT_FALSE(other.Minimize);
    EXPECT_FALSE(other.HeaderAdd);
    EXPECT_FALSE(LoadFrom("[Init]\nHeaderAdd=\n").HeaderAdd);
    EXPECT_FALSE(LoadFrom("[Init]\nDesktopNotify=on\n").DesktopNotify);
}

TEST(Settings, IntervalAndVolumeFallBackWhenUnusable) {
    struct Row {
        std::string stored;
        std::string shown;
    };
    for (const Row& row : std::vector<Row>{{"30", "30"}, {" 007 ", "007"}, {"0", "15"}, {"000", "15"}, {"", "15"},
                                           {"1.5", "15"}, {"abc", "15"}, {"-5", "15"}, {"1000", "15"}}) {
        const app::Settings settings = LoadFrom("[Init]\nIntervalTime=" + row.stored + "\n");
        EXPECT_EQ(settings.IntervalTime, row.shown) << row.stored;
        EXPECT_EQ(app::IntervalMinutes(settings.IntervalTime), std::stoul(row.shown)) << row.stored;
    }
    EXPECT_EQ(LoadFrom("[Init]\nVolume=0\n").Volume, 0);
    EXPECT_EQ(LoadFrom("[Init]\nVolume=12abc\n").Volume, 125);
    EXPECT_EQ(LoadFrom("[Init]\nVolume=999\n").Volume, 255);
    EXPECT_EQ(LoadFrom("[Init]\nVolume=-1\n").Volume, 0);
}

TEST(Settings, SavedAsTheirWrittenFormsTrimmedAndReadBack) {
    TempFolder folder;
    const auto path = folder.Path() / "quillet.ini";
    app::Settings settings = app::DefaultSettings();
    settings.Minimize = true;
    settings.HeaderAdd = false;
    settings.IntervalTime = " 5 ";
    settings.SoundFile = "  /snd/new mail.wav\t";
    settings.SendSubject = "Re: " + kRefusalSubject;
    settings.Volume = 200;
    settings.DesktopNotify = false;
    ASSERT_TRUE(app::SaveSettings(settings, path));
    EXPECT_EQ(ReadBytes(path), "[Init]\r\nMinimize=True\r\nHeaderAdd=Off\r\nIntervalTime=5\r\n"
                               "SoundFile=/snd/new mail.wav\r\nSendSubject=Re: " + kRefusalSubject +
                                   "\r\nReceiveSubject=" + kAdMarker + "\r\nVolume=200\r\nDesktopNotify=Off\r\n");
    EXPECT_EQ(ModeOf(path), 0600u);
    const app::Settings loaded = app::LoadSettings(path);
    EXPECT_EQ(loaded.SoundFile, "/snd/new mail.wav");
    EXPECT_EQ(loaded.IntervalTime, "5");
    EXPECT_TRUE(loaded.Minimize);
    EXPECT_EQ(loaded.Volume, 200);
    EXPECT_FALSE(loaded.DesktopNotify);
}

TEST(Settings, AValueWithALineBreakFailsTheSaveAndLeavesTheFileAsItWas) {
    TempFolder folder;
    const auto path = folder.Path() / "quillet.ini";
    ASSERT_TRUE(app::SaveSettings(app::DefaultSettings(), path));
    const auto before = ReadBytes(path);
    app::Settings settings = app::DefaultSettings();
    settings.Volume = 7;
    // Read back, the subject would end at the line break, and a key line ahead of the real one would win.
    settings.SendSubject = "Stop\r\nplease";
    EXPECT_FALSE(app::SaveSettings(settings, path));
    EXPECT_EQ(ReadBytes(path), before);
    settings.SendSubject = "Stop";
    settings.ReceiveSubject = "ad\nVolume=0";
    EXPECT_FALSE(app::SaveSettings(settings, path));
    EXPECT_EQ(ReadBytes(path), before);
}

TEST(Settings, WhatIsNoReadableFileGivesTheDefaultsAtOnceAndIsNeverReplaced) {
    for (const HostileFile& hostile : HostileFiles()) {
        SCOPED_TRACE(hostile.what);
        TempFolder folder;
        const auto path = folder.Path() / "quillet.ini";
        hostile.make(path);
        const auto shape = EntryShape(path);
        app::Settings changed = app::DefaultSettings();
        changed.Volume = 7;
        // In a child with a time limit: a read that waits or fills the memory ends the child, not the run.
        const int status = RunWithTimeLimit(10, [&] {
            if (app::ReadRegularFile(path) != app::RegularFileRead(hostile.failure)) return 1;
            if (app::LoadSettings(path) != app::DefaultSettings()) return 2;
            return app::SaveSettings(changed, path) ? 3 : 0;
        });
        EXPECT_EQ(status, 0);
        EXPECT_EQ(EntryShape(path), shape);
    }
}

}  // namespace
