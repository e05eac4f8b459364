#include "core/filestore.h"
#include "tempdir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace ringvale;
using ringvale::testing::TempDir;

TEST(FileStore, TellsMissingEmptyAndUnreadableApart) {
    TempDir dir;
    EXPECT_EQ(readWholeFile(dir.path() / "none").status, FileRead::Status::Missing);
    EXPECT_EQ(readWholeFile(dir.path() / "none" / "deeper").status, FileRead::Status::Missing);

    std::ofstream(dir.path() / "empty").close();
    const FileRead empty = readWholeFile(dir.path() / "empty");
    EXPECT_TRUE(empty.ok());
    EXPECT_TRUE(empty.bytes.empty());

    // A directory where a file is expected cannot be read as one.
    std::filesystem::create_directory(dir.path() / "folder");
    EXPECT_EQ(readWholeFile(dir.path() / "folder").status, FileRead::Status::Unreadable);
}

TEST(FileStore, ReadsOnlyRegularFilesOfASaneSizeAndNeverBlocks) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir.path() / "fifo").c_str(), 0644), 0); // no writer: a plain open would hang
    for (const auto& [name, size] :
         {std::pair{"largest", kLargestReadableFile}, {"larger", kLargestReadableFile + 1}}) {
        std::ofstream(dir.path() / name).close();
        std::filesystem::resize_file(dir.path() / name, size);
    }
    EXPECT_EQ(readWholeFile(dir.path() / "fifo").status, FileRead::Status::Unreadable);
    EXPECT_EQ(readWholeFile("/dev/zero").status, FileRead::Status::Unreadable);
    EXPECT_EQ(readWholeFile(dir.path() / "larger").status, FileRead::Status::Unreadable);
    EXPECT_EQ(readWholeFile(dir.path() / "largest").bytes.size(), kLargestReadableFile);
}

TEST(FileStore, AtomicWriteReplacesWholeAndLeavesNoTemporaries) {
    TempDir dir;
    const auto file = dir.path() / "t.INI";
    ASSERT_TRUE(writeFileAtomic(file, std::string("first\0bytes", 11)));
    ASSERT_TRUE(writeFileAtomic(file, "second"));
    EXPECT_EQ(readWholeFile(file).bytes, "second");
    ASSERT_TRUE(writeFileAtomic(file, ""));
    EXPECT_TRUE(readWholeFile(file).ok());
    EXPECT_EQ(readWholeFile(file).bytes, "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(FileStore, FailedWriteKeepsTheOldFile) {
    TempDir dir;
    const auto file = dir.path() / "t.INI";
    ASSERT_TRUE(writeFileAtomic(file, "old"));
    // The target is a non-empty directory: rename must fail, and nothing else may change.
    const auto blocked = dir.path() / "blocked";
    std::filesystem::create_directories(blocked / "inside");
    EXPECT_FALSE(writeFileAtomic(blocked, "new"));
    EXPECT_FALSE(writeFileAtomic(dir.path() / "missing-dir" / "t.INI", "new"));
    EXPECT_EQ(readWholeFile(file).bytes, "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}
