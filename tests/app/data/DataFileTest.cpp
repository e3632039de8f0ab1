#include <gtest/gtest.h>

#include <cstdint>

#include "app/data/DataFile.h"
#include "app/data/ScrambledFile.h"
#include "tests/app/TempFolder.h"

namespace {

constexpr std::uintmax_t kUnreadableSize = 17 * 1024 * 1024;  // beyond what is read into memory

class DataFileTest : public testing::Test {
protected:
    void MakeUnreadable() {
        WriteBytes(path, "x");
        std::filesystem::resize_file(path, kUnreadableSize);
    }

    TempFolder folder;
    std::filesystem::path path = folder.Path() / "quillon.dat";
    app::DataFile file{path};
};

TEST_F(DataFileTest, AFileUnreadAtStartIsNotReplacedEvenOnceItCouldBeRead) {
    MakeUnreadable();
    EXPECT_EQ(file.Load(), "");
    EXPECT_FALSE(file.MayReplace("new"));
    std::filesystem::resize_file(path, 0);  // readable now, but what it held never reached the program
    EXPECT_FALSE(file.Replace("new"));
    EXPECT_EQ(ReadBytes(path), "");
}

TEST_F(DataFileTest, TheRefusalEndsWhenTheFileIsMovedAsideOrALaterStartReadsIt) {
    MakeUnreadable();
    file.Load();
    std::filesystem::rename(path, folder.Path() / "quillon.dat.aside");
    EXPECT_TRUE(file.Replace("first"));
    EXPECT_TRUE(file.Replace("second"));  // now it holds what the program holds
    EXPECT_EQ(app::LoadScrambledFile(path), "second");

    MakeUnreadable();
    file.Load();
    ASSERT_TRUE(app::SaveScrambledFile("mended", path));
    EXPECT_EQ(file.Load(), "mended");
    EXPECT_TRUE(file.Replace("third"));
}

TEST_F(DataFileTest, AFileReadOrMissingAtStartIsReplacedWhateverBecameOfItSince) {
    EXPECT_EQ(file.Load(), "");
    EXPECT_TRUE(file.Replace("created"));

    EXPECT_EQ(file.Load(), "created");
    MakeUnreadable();  // another program's doing, after the start
    EXPECT_TRUE(file.Replace("saved"));
    EXPECT_EQ(app::LoadScrambledFile(path), "saved");
}

TEST_F(DataFileTest, WhatTheFormatCannotHoldIsRefused) {
    file.Load();
    EXPECT_FALSE(file.MayReplace(std::string(app::kScrambledFileCapacity + 1, 'x')));
    EXPECT_FALSE(file.Replace(std::string("zero\0inside", 11)));
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
