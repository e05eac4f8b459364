#include "core/appconfig.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "core/profilefile.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace ringvale;
using ringvale::testing::TempDir;

namespace {

std::string G(const char* utf8) {
    return gbkFromUtf8(utf8);
}

TEST(ProfileText, ReadsSectionsAndKeysCaseInsensitively) {
    const std::string text = "; a comment\r\n[System]\r\nAddress = Hua Rong \r\n\r\n[other]\r\naddress=x\r\n";
    EXPECT_EQ(readProfileValue(text, "SYSTEM", "address"), "Hua Rong");
    EXPECT_EQ(readProfileValue(text, "system", "ADDRESS"), "Hua Rong");
    EXPECT_EQ(readProfileValue(text, "other", "address"), "x");
    EXPECT_EQ(readProfileValue(text, "system", "missing"), "");
    EXPECT_EQ(readProfileValue(text, "nowhere", "address"), "");
    EXPECT_EQ(readProfileValue(text, "  System", " \tAddress"), "Hua Rong"); // leading blanks ignored
    EXPECT_EQ(readProfileValue(text, "", "address"), "");
    EXPECT_EQ(readProfileValue(text, "system", "  "), "");
    EXPECT_EQ(readProfileValue("[a]\nk=v", "a", "k"), "v"); // LF lines and no final line end
}

TEST(ProfileText, CapsValuesAt10239Bytes) {
    const std::string text = "[s]\r\nk=" + std::string(20000, 'x') + "\r\n";
    EXPECT_EQ(readProfileValue(text, "s", "k").size(), kProfileValueLimit);
    // The cap never splits a double-byte character.
    std::string gbk;
    while (gbk.size() < 10240)
        gbk += G("铃");
    EXPECT_EQ(readProfileValue("[s]\r\nk=" + gbk + "\r\n", "s", "k").size(), 10238u);
}

TEST(ProfileText, WritesInPlaceAndKeepsWhatItDoesNotKnow) {
    const std::string text = "; keep me\r\n[a]\r\nK=1\r\nstray text\r\n\r\n[b]\r\nx=2\r\n";
    EXPECT_EQ(withProfileValue(text, "A", "k", "9"),
              "; keep me\r\n[a]\r\nK=9\r\nstray text\r\n\r\n[b]\r\nx=2\r\n");
    // A new key goes after the section's last line, before the blank line.
    EXPECT_EQ(withProfileValue(text, "a", "new", "v"),
              "; keep me\r\n[a]\r\nK=1\r\nstray text\r\nnew=v\r\n\r\n[b]\r\nx=2\r\n");
    EXPECT_EQ(withProfileValue(text, "b", "y", ""),
              "; keep me\r\n[a]\r\nK=1\r\nstray text\r\n\r\n[b]\r\nx=2\r\ny=\r\n");
    EXPECT_EQ(withProfileValue(text, "c", "z", "3"), text + "[c]\r\nz=3\r\n");
    EXPECT_EQ(withProfileValue("", "s", "k", "v"), "[s]\r\nk=v\r\n");
    EXPECT_EQ(withProfileValue("[s]\r\nk=v", "s", "j", "w"), "[s]\r\nk=v\r\nj=w\r\n");
    EXPECT_EQ(withProfileValue("x", "s", "k", "v"), "x\r\n[s]\r\nk=v\r\n");
}

TEST(ProfileText, AValueCannotAddLines) {
    const std::string out = withProfileValue("", "s", "k", "evil\r\n[s]\r\nk=other");
    EXPECT_EQ(out, "[s]\r\nk=evil\r\n");
}

class AppConfigTest : public ::testing::Test {
protected:
    TempDir dir;
    AppConfig config{dir.path()};
};

TEST_F(AppConfigTest, NoFileReadsEverythingEmpty) {
    using namespace settings;
    EXPECT_EQ(config.read(systemSection(), timetableKey()), "");
    EXPECT_FALSE(config.readFlag(systemSection(), autoStartKey()));
    EXPECT_EQ(config.read(songSection(), "7"), "");
    EXPECT_FALSE(fileExists(config.path()));
}

TEST_F(AppConfigTest, WritingCreatesTheFileInGbkWithCrlf) {
    using namespace settings;
    ASSERT_TRUE(config.write(systemSection(), timetableKey(), "3"));
    ASSERT_TRUE(config.write(machineSection(), countyKey(), G("华容")));
    ASSERT_TRUE(config.write(songSection(), "7", ""));
    EXPECT_EQ(readWholeFile(config.path()).bytes,
              G("[系统设置]\r\n作息表=3\r\n[SYSTEM]\r\n地址=华容\r\n[点歌台]\r\n7=\r\n"));
    EXPECT_EQ(config.read(machineSection(), countyKey()), G("华容"));
    EXPECT_EQ(config.read("system", countyKey()), G("华容"));
}

TEST_F(AppConfigTest, FlagsAreSetOnlyByExactlyOne) {
    using namespace settings;
    for (const char* value : {"01", "yes", "", " 1x", "true"}) {
        ASSERT_TRUE(config.write(systemSection(), toTrayKey(), value));
        EXPECT_FALSE(config.readFlag(systemSection(), toTrayKey())) << value;
    }
    ASSERT_TRUE(config.write(systemSection(), toTrayKey(), "1"));
    EXPECT_TRUE(config.readFlag(systemSection(), toTrayKey()));
}

TEST_F(AppConfigTest, AnUnreadableFileIsNeverOverwritten) {
    std::filesystem::create_directory(config.path()); // exists, cannot be read as a file
    EXPECT_FALSE(config.write(settings::systemSection(), settings::timetableKey(), "1"));
    EXPECT_TRUE(std::filesystem::is_directory(config.path()));
}

// A writer killed at random points, many times over: the file always holds the old or the new
// content, never a torn mixture.
TEST_F(AppConfigTest, KillingTheWriterLeavesTheOldOrTheNewFile) {
    using namespace settings;
    const std::string big(4000, 'x');
    ASSERT_TRUE(config.write(songSection(), "1", big + "0"));
    std::mt19937 rng(12345);
    int kills = 0, checked = 0;
    for (int round = 0; round < 150; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 1;; ++i) {
                (void)config.write(songSection(), "1", big + std::to_string(i % 10));
                (void)config.write(songSection(), std::to_string(2 + i % 19), big);
            }
        }
        usleep(std::uniform_int_distribution<useconds_t>(100, 8000)(rng));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        ++kills;
        const FileRead file = readWholeFile(config.path());
        ASSERT_TRUE(file.ok());
        const std::string value = config.read(songSection(), "1");
        ASSERT_EQ(value.size(), big.size() + 1) << "round " << round;
        ASSERT_EQ(value.substr(0, big.size()), big);
        ASSERT_NE(file.bytes.find(G("[点歌台]\r\n1=")), std::string::npos);
        ++checked;
    }
    // Leftover temporaries of killed writers are the only other files.
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path() != config.path()) {
            EXPECT_NE(entry.path().filename().string().find(".tmp-"), std::string::npos);
        }
    }
    std::printf("killed the writer %d times; the settings file loaded whole %d times\n", kills, checked);
}

} // namespace
