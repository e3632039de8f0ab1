#include <gtest/gtest.h>

#include <map>

#include "app/data/DataFolder.h"
#include "app/data/ScrambledFile.h"
#include "tests/app/TempFolder.h"

namespace {

TEST(ScrambleText, ReversesAndXorsEveryByteAndUndoesItself) {
    EXPECT_EQ(app::ScrambleText(std::string("AB\x00\xa5", 4)), std::string("\x00\xa5\xe7\xe4", 4));
    const std::string text = "user\x82\xa0\r\n" + std::string(300, 'x');
    const std::string scrambled = app::ScrambleText(text);
    EXPECT_EQ(scrambled.size(), text.size());
    EXPECT_EQ(app::ScrambleText(scrambled), text);
    EXPECT_EQ(app::ScrambleText(""), "");
}

TEST(ScrambledFile, RoundTripsAndAZeroByteMakesItUnreadable) {
    TempFolder folder;
    const auto path = folder.Path() / "quillon2.dat";
    ASSERT_TRUE(app::SaveScrambledFile("line one\r\n\x82\xa0", path));
    EXPECT_EQ(ReadBytes(path), app::ScrambleText("line one\r\n\x82\xa0"));
    EXPECT_EQ(app::LoadScrambledFile(path), "line one\r\n\x82\xa0");

    WriteBytes(path, app::ScrambleText(std::string("cut\0short", 9)));
    EXPECT_EQ(app::ReadScrambledFile(path), app::ScrambledFileRead(app::ReadFailure::ZeroByte));
    EXPECT_EQ(app::LoadScrambledFile(folder.Path() / "missing.dat"), "");
    EXPECT_EQ(app::LoadScrambledFile(folder.Path()), "");  // a folder is no file

    ASSERT_TRUE(app::SaveScrambledFile("", path));
    EXPECT_EQ(ReadBytes(path), "");
}

TEST(ScrambledFile, RefusesWhatTheFormatCannotHoldAndKeepsTheOldFile) {
    TempFolder folder;
    const auto path = folder.Path() / "quillon.dat";
    ASSERT_TRUE(app::SaveScrambledFile(std::string(app::kScrambledFileCapacity, 'a'), path));
    EXPECT_EQ(app::LoadScrambledFile(path).size(), app::kScrambledFileCapacity);

    EXPECT_FALSE(app::SaveScrambledFile(std::string(app::kScrambledFileCapacity + 1, 'b'), path));
    EXPECT_FALSE(app::SaveScrambledFile(std::string("zero\0inside", 11), path));
    EXPECT_EQ(app::LoadScrambledFile(path), std::string(app::kScrambledFileCapacity, 'a'));
}

TEST(ScrambledFile, IsOwnerOnlyInAnOwnerOnlyFolder) {
    TempFolder temp;
    const app::DataFolder folder(temp.Path() / "config" / "quillonv");
    ASSERT_TRUE(folder.Create());
    EXPECT_EQ(ModeOf(folder.Path()), 0700u);
    EXPECT_EQ(ModeOf(folder.Path().parent_path()), 0700u);
    ASSERT_TRUE(app::SaveScrambledFile("secret", folder.AccountFile()));
    EXPECT_EQ(ModeOf(folder.AccountFile()), 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);  // no temporary left
}

TEST(ScrambledFile, AFailedWriteLeavesThePreviousFileIntact) {
    TempFolder folder;
    const auto path = folder.Path() / "quillon.dat";
    ASSERT_TRUE(app::SaveScrambledFile("old accounts", path));
    // Creating the new file works, writing it runs out of room halfway.
    const int status = RunWithFileSizeLimit(100, [&] { return app::SaveScrambledFile(std::string(5000, 'n'), path) ? 1 : 0; });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(app::LoadScrambledFile(path), "old accounts");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST(ScrambledFile, AFolderThatRefusesNewFilesKeepsTheOldOne) {
    TempFolder folder;
    const auto path = folder.Path() / "quillon.dat";
    ASSERT_TRUE(app::SaveScrambledFile("old accounts", path));
    EXPECT_EQ(RunWithReadOnlyFolder(folder.Path(), [&] { return app::SaveScrambledFile("new", path) ? 1 : 0; }), 0);
    EXPECT_EQ(app::LoadScrambledFile(path), "old accounts");
}

TEST(ScrambledFile, ReadingTellsAMissingFileFromOneThatCannotBeRead) {
    TempFolder folder;
    EXPECT_EQ(app::ReadScrambledFile(folder.Path() / "missing.dat"), app::ScrambledFileRead(""));
    EXPECT_EQ(app::ReadScrambledFile(folder.Path() / "missing" / "quillon.dat"), app::ScrambledFileRead(""));
    EXPECT_EQ(app::ReadScrambledFile(folder.Path()), app::ScrambledFileRead(app::ReadFailure::Folder));
    // Far beyond what the format holds, so it is not read into memory.
    const auto huge = folder.Path() / "quillon.dat";
    WriteBytes(huge, "x");
    std::filesystem::resize_file(huge, 17 * 1024 * 1024);
    EXPECT_EQ(app::ReadScrambledFile(huge), app::ScrambledFileRead(app::ReadFailure::TooLarge));
    EXPECT_EQ(app::LoadScrambledFile(huge), "");
}

TEST(DataFolder, FollowsTheVariablesInOrderAndTreatsEmptyAsUnset) {
    const auto resolve = [](std::map<std::string, std::string> variables) {
        return app::ResolveDataFolder(
            [&](const char* name) { return variables.contains(name) ? variables[name].c_str() : nullptr; }, "/home/u");
    };
    EXPECT_EQ(resolve({{"QUILLONV_HOME", "/q"}, {"XDG_CONFIG_HOME", "/x"}}), "/q");
    EXPECT_EQ(resolve({{"QUILLONV_HOME", ""}, {"XDG_CONFIG_HOME", "/x"}}), "/x/quillonv");
    EXPECT_EQ(resolve({{"XDG_CONFIG_HOME", ""}}), "/home/u/.config/quillonv");
}

TEST(DataFolder, CannotBeCreatedUnderAFile) {
    TempFolder temp;
    WriteBytes(temp.Path() / "file", "x");
    EXPECT_FALSE(app::DataFolder(temp.Path() / "file" / "quillonv").Create());
}

}  // namespace
