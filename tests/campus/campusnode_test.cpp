#include "campus/buildingfollower.h"
#include "campus/campusnode.h"
#include "campus/officepublisher.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "fakelink.h"
#include "fakes.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>

#include <sys/stat.h>

namespace ringvale::testing {
namespace {

constexpr const char* kSpring = "春季作息表.INI";

std::filesystem::path named(const std::filesystem::path& dir, const char* utf8) {
    return dir / std::filesystem::u8path(utf8);
}

ino_t inodeOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

std::string rule(const std::filesystem::path& music, const char* time) {
    return "*{" + fromFileName(music) + ";1;1;1;1;1;1;1;1;" + time + ";;;;;;;;;;;;;;;;;;;;}\r\n";
}

// The office publishes a program directory; a building's follower stores what reaches it.
struct CampusPair : ::testing::Test {
    TempDir office, building;
    FakeLink officeLink;
    FakeClock clock;
    CampusTopics topics{"north"};
    OfficePublisher publisher{officeLink, topics, office.path(), clock};
    MusicLibrary music{building.path()};
    std::vector<std::string> notes;
    std::vector<int> stored, selected;
    BuildingFollower follower{topics, building.path(), music,
                              BuildingFollower::Events{[this](int i) { stored.push_back(i); },
                                                       [this](int i) { selected.push_back(i); },
                                                       {},
                                                       {},
                                                       [this](const std::string& n) { notes.push_back(n); }}};

    void save(const char* name, const std::string& bytes) {
        ASSERT_TRUE(writeFileAtomic(named(office.path(), name), bytes));
    }
    // Hands everything published so far to the building, in order.
    void carry() {
        for (const auto& message : officeLink.published)
            follower.onMessage({message.topic, message.payload, true});
        officeLink.published.clear();
    }
};

TEST_F(CampusPair, WhatTheOfficeSavesArrivesByteForByteAndAnUnchangedFileIsNotSentOrWrittenAgain) {
    const auto bell = office.path() / "bell.wav";
    ASSERT_TRUE(writeFileAtomic(bell, "RIFF-bell"));
    const std::string table = rule(bell, "08:00:00") + rule(bell, "09:00:00");
    save(kSpring, table);
    save("校历.INI", "[不打铃]\r\n2027-02-12=春节\r\n");

    // The music once, its index, 17 timetables, the calendar, lockdown and the selected timetable;
    // the rain flags only where a file or its absence is known (all absent here).
    EXPECT_EQ(publisher.publishChanges(), 1 + 1 + 17 + 17 + 1 + 1 + 1);
    carry();
    EXPECT_EQ(readWholeFile(named(building.path(), kSpring)).bytes, table);
    EXPECT_EQ(readWholeFile(named(building.path(), "校历.INI")).bytes, "[不打铃]\r\n2027-02-12=春节\r\n");
    EXPECT_EQ(readWholeFile(toFileName(music.resolve(fromFileName(bell)))).bytes, "RIFF-bell");
    EXPECT_EQ(stored, std::vector<int>{0});
    EXPECT_EQ(selected, std::vector<int>{0});

    const ino_t before = inodeOf(named(building.path(), kSpring));
    EXPECT_EQ(publisher.publishChanges(), 0);
    publisher.connected();
    EXPECT_EQ(publisher.publishChanges(), 0) << "a connection is only noted; the thread sends it all again";
    officeLink.published.push_back({topics.timetable(0), encodeFile(table), true});
    carry();
    EXPECT_EQ(inodeOf(named(building.path(), kSpring)), before) << "the same bytes were written again";

    save(kSpring, table + rule(bell, "10:00:00"));
    EXPECT_EQ(publisher.publishChanges(), 1);
    carry();
    EXPECT_EQ(readWholeFile(named(building.path(), kSpring)).bytes, table + rule(bell, "10:00:00"));

    // Lockdown set in the office reaches every building's own file.
    save("停铃.INI", "[停铃]\r\n开启=1\r\n");
    EXPECT_EQ(publisher.publishChanges(), 1);
    carry();
    EXPECT_EQ(readWholeFile(named(building.path(), "停铃.INI")).bytes, "[停铃]\r\n开启=1\r\n");
}

TEST_F(CampusPair, AFileTheOfficeCannotReadIsNeverSentAsGoneAndAMissingOneIsRemoved) {
    save(kSpring, "*{x;1;1;1;1;1;1;1;1;08:00:00;;;;;;;;;;;;;;;;;;;;}\r\n");
    publisher.publishChanges();
    carry();
    ASSERT_TRUE(fileExists(named(building.path(), kSpring)));

    // Unreadable: a folder where the file was. Nothing goes out for it.
    std::filesystem::remove(named(office.path(), kSpring));
    std::filesystem::create_directory(named(office.path(), kSpring));
    EXPECT_EQ(publisher.publishChanges(), 0);
    std::filesystem::remove(named(office.path(), kSpring));
    EXPECT_EQ(publisher.publishChanges(), 1);
    carry();
    EXPECT_FALSE(fileExists(named(building.path(), kSpring)));
}

TEST_F(CampusPair, WhatDoesNotParseIsLoggedAndNeverWritten) {
    save(kSpring, "good");
    publisher.publishChanges();
    carry();
    notes.clear();
    const std::string hash = sha256Hex("other");
    const std::pair<std::string, std::string> bad[] = {
        {topics.timetable(0), "junk"},
        {topics.timetable(0), encodeFile("good").substr(0, 40)},
        {topics.selected(), "ringvale-selected 99\n"},
        {topics.music(hash + ".mp3"), encodeFile("not other")},
        {topics.musicIndex(), "ringvale-music-index\nbad line\n"},
        {topics.command(), "ringvale-command play\n"},
    };
    for (const auto& [topic, payload] : bad)
        follower.onMessage({topic, payload, true});
    EXPECT_EQ(notes.size(), std::size(bad));
    for (const std::string& note : notes)
        EXPECT_NE(note.find("does not parse was ignored"), std::string::npos) << note;
    EXPECT_EQ(readWholeFile(named(building.path(), kSpring)).bytes, "good");
    EXPECT_FALSE(music.has(hash + ".mp3"));
}

TEST_F(CampusPair, AChangedMusicFileTravelsUnderItsNewContentAndTheIndexFollows) {
    const auto bell = office.path() / "bell.wav";
    ASSERT_TRUE(writeFileAtomic(bell, "first"));
    save(kSpring, rule(bell, "08:00:00") + rule(bell, "09:00:00"));
    save("系统配置.INI", "[点歌台]\r\n1=" + fromFileName(bell) + "\r\n");
    publisher.publishChanges();
    carry();
    ASSERT_TRUE(writeFileAtomic(bell, "second, longer"));
    EXPECT_EQ(publisher.publishChanges(), 2); // the new file and the index
    carry();
    EXPECT_EQ(readWholeFile(toFileName(music.resolve(fromFileName(bell)))).bytes, "second, longer");
}

TEST_F(CampusPair, MusicNoIndexHasNamedForADayIsPrunedAndNothingElse) {
    const auto file = [&](const char* content) { return sha256Hex(content) + ".mp3"; };
    struct Case {
        const char* content;
        bool indexed;
        int hoursOld;
        bool kept;
    };
    const Case cases[] = {{"in the index", true, 48, true},
                          {"named by nothing, old", false, 25, false},
                          {"named by nothing, new", false, 1, true}};
    MusicIndex index;
    for (const Case& c : cases) {
        ASSERT_TRUE(music.store(file(c.content), c.content));
        std::filesystem::last_write_time(music.folder() / file(c.content),
                                         std::filesystem::file_time_type::clock::now() -
                                             std::chrono::hours(c.hoursOld));
        if (c.indexed)
            index.push_back({file(c.content), "C:\\bells\\kept.mp3"});
    }
    std::ofstream(music.folder() / "notes.txt") << "the operator's own file";
    follower.onMessage({topics.musicIndex(), encodeMusicIndex(index), true});
    for (const Case& c : cases)
        EXPECT_EQ(music.has(file(c.content)), c.kept) << c.content;
    EXPECT_TRUE(std::filesystem::exists(music.folder() / "notes.txt"));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], "removed 1 music files that no timetable or song-station slot has named for a day");
}

// A node over a fake link: what a building does with commands, and what an office sends.
struct Node : ::testing::Test {
    TempDir home;
    FakePlayback player;
    FakeBellLog log;
    FakeClock clock;
    std::vector<CampusNode::Task> posted;
    FakeLink* link = nullptr;

    std::unique_ptr<CampusNode> make(CampusRole role) {
        auto owned = std::make_unique<FakeLink>();
        link = owned.get();
        CampusSetup setup{*parseCampusAddress("mqtt://b1:pw@h/north").address, role, false, {}};
        return std::make_unique<CampusNode>(
            setup, home.path(), std::move(owned), player, log, clock,
            [this](CampusNode::Task task) { posted.push_back(std::move(task)); }, CampusNode::Engine{},
            "9.9");
    }
    void runPosted() {
        auto tasks = std::move(posted);
        posted.clear();
        for (auto& task : tasks)
            task();
    }
    std::int64_t nowMs() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(clock.now().time_since_epoch()).count();
    }
};

TEST_F(Node, ABuildingPlaysTheOfficesMusicFromItsCopyAndRefusesACommandThatCameTooLate) {
    auto node = make(CampusRole::Building);
    EXPECT_EQ(link->will.topic, "ringvale/north/status/b1");
    const std::string hash = sha256Hex("bell");
    link->deliver("ringvale/north/music/" + hash + ".mp3", encodeFile("bell"));
    link->deliver("ringvale/north/music-index", encodeMusicIndex({{hash + ".mp3", "C:\\bells\\bell.mp3"}}));
    link->deliver("ringvale/north/command",
                  encodeCommand({CampusCommand::Kind::Alarm, -1, "C:\\bells\\bell.mp3", nowMs() - 200}),
                  false);
    link->deliver("ringvale/north/command",
                  encodeCommand({CampusCommand::Kind::Play, 1, "x.mp3", nowMs() - 60000}), false);
    link->deliver("ringvale/north/command", encodeCommand({CampusCommand::Kind::Stop, 0, "", nowMs()}),
                  false);
    runPosted();
    ASSERT_EQ(player.plays.size(), 1u);
    EXPECT_EQ(player.plays[0].count, -1);
    EXPECT_EQ(readWholeFile(toFileName(player.plays[0].path)).bytes, "bell");
    ASSERT_EQ(log.expected.size(), 1u);
    EXPECT_EQ(*log.expected[0].due, clock.now() - std::chrono::milliseconds(200));
    EXPECT_EQ(player.stops, 1);
    EXPECT_TRUE(std::any_of(log.entries.begin(), log.entries.end(), [](const BellEntry& e) {
        return e.detail.find("s late and was not obeyed") != std::string::npos;
    }));

    link->connect(true);
    BellEntry rang;
    rang.event = BellEvent::Rang;
    rang.due = "08:00:00";
    rang.detail = "onset 4 ms";
    node->entryRecorded(rang);
    std::string why;
    const auto status = decodeStatus(link->published.back().payload, why);
    ASSERT_TRUE(status);
    EXPECT_TRUE(status->online);
    EXPECT_EQ(status->version, "9.9");
    EXPECT_EQ(status->lastResult, "rang: onset 4 ms");
    node->stop();
    EXPECT_FALSE(decodeStatus(link->published.back().payload, why)->online);
}

TEST_F(Node, TheOfficesPlaysAndStopsGoToEveryBuildingAndItListsTheirStates) {
    auto node = make(CampusRole::Office);
    node->commandPlayback().playFile(2, "C:\\bells\\bell.mp3");
    node->commandPlayback().stopAll();
    node->bellPlayback().playFile(1, "scheduled.mp3"); // a bell rings by each building's own clock
    ASSERT_EQ(link->published.size(), 2u);
    std::string why;
    EXPECT_EQ(decodeCommand(link->published[0].payload, why)->path, "C:\\bells\\bell.mp3");
    EXPECT_EQ(decodeCommand(link->published[1].payload, why)->kind, CampusCommand::Kind::Stop);
    EXPECT_FALSE(link->published[0].retain);
    EXPECT_EQ(player.plays.size(), 2u);

    link->deliver("ringvale/north/status/b2", encodeStatus({true, "1.0.0", 3, "", "", 1}));
    link->deliver("ringvale/north/status/b3", "garbage");
    runPosted();
    ASSERT_EQ(node->buildings().size(), 1u);
    EXPECT_EQ(node->buildings()[0].user, "b2");
    EXPECT_EQ(log.entries.size(), 1u) << "the garbage is logged";

    link->up = false;
    node->commandPlayback().stopAll();
    runPosted();
    EXPECT_NE(log.entries.back().detail.find("could not be sent"), std::string::npos);
}

TEST_F(Node, ABuildingObeysOnlyLiveCommandsStampedNearTheOfficesClock) {
    constexpr std::int64_t kYear = 365LL * 24 * 3600 * 1000;
    struct Case {
        const char* name;
        std::int64_t sentMs; // 0: now
        std::int64_t sinceNow;
        bool retained;
        bool plays;
    };
    const Case cases[] = {
        {"sent 200 ms ago", 0, -200, false, true},
        {"a minute late", 0, -60000, false, false},
        {"a year ahead", 0, kYear, false, false},
        {"the largest stamp", std::numeric_limits<std::int64_t>::max(), 0, false, false},
        {"the smallest stamp", std::numeric_limits<std::int64_t>::min(), 0, false, false},
        {"retained by the broker", 0, -200, true, false},
    };
    for (const Case& c : cases) {
        auto node = make(CampusRole::Building);
        player.plays.clear();
        const std::int64_t sent = c.sentMs != 0 ? c.sentMs : nowMs() + c.sinceNow;
        link->deliver("ringvale/north/clock", encodeClock(nowMs() - 1000), false); // office 1 s behind
        link->deliver("ringvale/north/command", encodeCommand({CampusCommand::Kind::Play, 1, "x.mp3", sent}),
                      c.retained);
        runPosted();
        EXPECT_EQ(player.plays.size(), c.plays ? 1u : 0u) << c.name;
    }
}

TEST_F(Node, PayloadsOverTheirKindsLimitAreDroppedUnreadAndSaidSo) {
    auto building = make(CampusRole::Building);
    const std::string hugeTimetable = encodeFile(std::string(kLargestReadableFile + 1024, 'x'));
    link->deliver("ringvale/north/timetable/00", hugeTimetable);
    link->deliver("ringvale/north/command",
                  encodeCommand({CampusCommand::Kind::Play, 1, std::string(9000, 'a'), nowMs()}), false);
    runPosted();
    EXPECT_FALSE(fileExists(named(home.path(), kSpring)));
    EXPECT_TRUE(player.plays.empty());
    auto office = make(CampusRole::Office);
    BuildingStatus big{true, std::string(50000, '9'), 0, "", "", nowMs()};
    link->deliver("ringvale/north/status/b1", encodeStatus(big));
    runPosted();
    EXPECT_TRUE(office->buildings().empty());
    ASSERT_EQ(log.entries.size(), 3u);
    for (const BellEntry& entry : log.entries)
        EXPECT_NE(entry.detail.find("bytes was dropped unread"), std::string::npos) << entry.detail;
}

TEST_F(Node, ABuildingAnswersACommandWithAnIdOnceItsFirstSamplesSoundedOrItFailed) {
    auto node = make(CampusRole::Building);
    link->connect(true);
    const std::string hash = sha256Hex("only at the office");
    link->deliver("ringvale/north/music/" + hash + ".wav", encodeFile("only at the office"));
    CampusCommand play{
        CampusCommand::Kind::Play, 1, "C:\\office\\x.wav", nowMs() - 30, "0a1b", hash + ".wav"};
    link->deliver("ringvale/north/command", encodeCommand(play), false);
    runPosted();
    ASSERT_EQ(player.plays.size(), 1u);
    EXPECT_EQ(readWholeFile(toFileName(player.plays[0].path)).bytes, "only at the office");
    struct Case {
        PlaybackReport::Kind kind;
        const char* result;
    };
    for (const Case& c : {Case{PlaybackReport::Kind::Sounding, "played 42"},
                          Case{PlaybackReport::Kind::Failed, "failed no sound device"}}) {
        play.id = c.kind == PlaybackReport::Kind::Sounding ? "01" : "02";
        play.sentMs = nowMs();
        link->deliver("ringvale/north/command", encodeCommand(play), false);
        runPosted();
        node->playbackReport(
            {player.plays.size(), c.kind, clock.now() + std::chrono::milliseconds(42), "no sound device"});
        std::string why;
        const auto status = decodeStatus(link->published.back().payload, why);
        ASSERT_TRUE(status);
        EXPECT_EQ(status->commandId, play.id);
        EXPECT_EQ(status->commandResult, c.result);
    }
}

TEST_F(Node, TheOfficeShowsABuildingThatFellSilentOffline) {
    auto office = make(CampusRole::Office);
    link->deliver("ringvale/north/status/b1", encodeStatus({true, "1.0.0", 2000, "", "", nowMs() + 2000}));
    ASSERT_EQ(office->buildings().size(), 1u);
    EXPECT_TRUE(office->buildings()[0].status.online);
    clock.time += CampusNode::kSilentBuilding + std::chrono::seconds(1);
    EXPECT_FALSE(office->buildings()[0].status.online);
}

} // namespace
} // namespace ringvale::testing
