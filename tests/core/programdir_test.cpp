#include "core/belldayfiles.h"
#include "core/instancelock.h"
#include "core/programdir.h"
#include "tempdir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>

using namespace ringvale;
using ringvale::testing::TempDir;

namespace {

EnvLookup envOf(std::map<std::string, std::string> values) {
    return [values](const char* name) -> std::optional<std::string> {
        if (auto it = values.find(name); it != values.end())
            return it->second;
        return std::nullopt;
    };
}

} // namespace

TEST(ProgramDirectory, PrefersTheEnvironmentThenAPortableCopyThenXdgData) {
    TempDir exe;
    EXPECT_EQ(
        resolveProgramDirectory(envOf({{"RINGVALE_HOME", "/srv/bells"}, {"HOME", "/home/op"}}), exe.path()),
        "/srv/bells");
    EXPECT_EQ(resolveProgramDirectory(envOf({{"XDG_DATA_HOME", "/data"}, {"HOME", "/home/op"}}), exe.path()),
              "/data/ringvale");
    EXPECT_EQ(resolveProgramDirectory(envOf({{"HOME", "/home/op"}}), exe.path()),
              "/home/op/.local/share/ringvale");
    // A relative XDG_DATA_HOME is invalid and ignored.
    EXPECT_EQ(resolveProgramDirectory(envOf({{"XDG_DATA_HOME", "rel"}, {"HOME", "/home/op"}}), exe.path()),
              "/home/op/.local/share/ringvale");

    std::ofstream(exe.path() / kSettingsFileName).close();
    EXPECT_EQ(resolveProgramDirectory(envOf({{"XDG_DATA_HOME", "/data"}}), exe.path()), exe.path());
    EXPECT_EQ(resolveProgramDirectory(envOf({{"RINGVALE_HOME", "/srv/bells"}}), exe.path()), "/srv/bells");
}

TEST(ProgramDirectory, IsCreatedWithItsIconFolder) {
    TempDir root;
    const auto dir = root.path() / "a" / "ringvale";
    EXPECT_TRUE(ensureProgramDirectory(dir));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "tp"));
    EXPECT_TRUE(ensureProgramDirectory(dir)); // again: nothing to do
}

TEST(InstanceLock, OnlyOneCopyHoldsTheProgramDirectory) {
    TempDir dir;
    {
        InstanceLock first(dir.path());
        EXPECT_TRUE(first.acquired());
        InstanceLock second(dir.path());
        EXPECT_FALSE(second.acquired());
        EXPECT_TRUE(second.heldElsewhere());
    }
    InstanceLock again(dir.path());
    EXPECT_TRUE(again.acquired());
    // No lock at all is not another copy.
    EXPECT_EQ(InstanceLock(dir.path() / "missing").state(), InstanceLock::State::Unavailable);
}

TEST(InstanceLock, StaleTemporariesOfInterruptedWritesAreRemovedFromEveryFolderWrittenButNoneOutside) {
    TempDir dir, elsewhere;
    std::filesystem::create_directories(dir.path() / "tp");
    std::filesystem::create_directories(dir.path() / "校园音乐");
    std::filesystem::create_symlink(elsewhere.path(), dir.path() / "日志");
    const char* temporaries[] = {"系统配置.INI.tmp-123-456", "tp/weather.png.tmp-1-2",
                                 "校园音乐/ab.mp3.tmp-9-9"};
    for (const char* name : temporaries)
        std::ofstream(dir.path() / name).close();
    std::ofstream(dir.path() / "春季作息表.INI").close();
    std::ofstream(elsewhere.path() / "x.tsv.tmp-5-5").close();
    removeStaleTemporariesEverywhere(dir.path());
    for (const char* name : temporaries)
        EXPECT_FALSE(std::filesystem::exists(dir.path() / name)) << name;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "春季作息表.INI"));
    EXPECT_TRUE(std::filesystem::exists(elsewhere.path() / "x.tsv.tmp-5-5")) << "removed through a link";
}

TEST(BellDayFiles, ALogFolderThatLeadsOutsideIsNeitherWrittenNorCleared) {
    TempDir dir, elsewhere;
    std::filesystem::create_symlink(elsewhere.path(), dir.path() / "日志");
    std::ofstream(elsewhere.path() / "2020-01-01.tsv") << "kept";
    const BellDayFiles files(dir.path());
    EXPECT_EQ(files.removeOld({2026, 3, 2}), 0);
    std::string reason;
    BellEntry entry;
    entry.at = LocalTime{2, 8, 0, 0, 2026, 3, 2, 0};
    EXPECT_FALSE(files.append(entry, &reason));
    EXPECT_NE(reason.find("leads out of the program directory"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(elsewhere.path() / "2020-01-01.tsv"));
    EXPECT_FALSE(std::filesystem::exists(elsewhere.path() / "2026-03-02.tsv"));
}
