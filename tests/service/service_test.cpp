#include "campus/campussetup.h"
#include "core/filestore.h"
#include "service/commandline.h"
#include "service/serviceloop.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>
#include <vector>

namespace ringvale {
namespace {

CommandLine parsed(std::vector<const char*> args) {
    args.insert(args.begin(), "ringvale");
    return parseCommandLine(static_cast<int>(args.size()), const_cast<char**>(args.data()));
}

TEST(CommandLineTest, OptionsThatMakeNoSenseAreRefusedBeforeAnythingRuns) {
    struct Case {
        std::vector<const char*> args;
        bool ok;
    };
    const Case cases[] = {
        {{"--service"}, true},
        {{"--service", "--campus", "mqtt://u:p@h/c"}, true},
        {{"--campus", "mqtt://u:p@h/c", "--publish", "--alarm", "a.mp3"}, true},
        {{"-platform", "offscreen"}, true},
        {{"--publish"}, false},
        {{"--campus"}, false},
        {{"--stop"}, false},
        {{"--campus", "mqtt://u:p@h/c", "--play", "a.mp3"}, false},
        {{"--servce"}, false},
    };
    for (const Case& c : cases) {
        const CommandLine line = parsed(c.args);
        EXPECT_EQ(line.error.empty(), c.ok) << c.args.front() << ": " << line.error;
    }
    const CommandLine alarm = parsed({"--campus", "mqtt://u:p@h/c", "--publish", "--alarm", "a.mp3"});
    EXPECT_EQ(alarm.send, CommandLine::Send::Alarm);
    EXPECT_EQ(alarm.sendFile, "a.mp3");
}

TEST(CommandLineTest, ACampusWithoutCredentialsNeedsToBeToldAndASavedOneIsUsed) {
    testing::TempDir home;
    std::istringstream noInput;
    EXPECT_FALSE(chooseCampus(parsed({"--campus", "mqtt://h/c"}), home.path(), noInput).error.empty());
    const CampusChoice open =
        chooseCampus(parsed({"--campus", "mqtt://h/c", "--campus-insecure"}), home.path(), noInput);
    ASSERT_TRUE(open.setup);
    EXPECT_EQ(open.setup->role, CampusRole::Building);
    const CampusChoice bad =
        chooseCampus(parsed({"--campus", "mqtt://u:secret@h/c/#"}), home.path(), noInput);
    EXPECT_EQ(bad.error.find("secret"), std::string::npos) << "the password is not repeated";

    EXPECT_FALSE(chooseCampus(parsed({}), home.path(), noInput).setup);
    const CampusSetup saved{*parseCampusAddress("mqtt://office:pw@h:1884/c").address, CampusRole::Office,
                            false, "/etc/ssl/校园-ca.pem"};
    ASSERT_TRUE(writeCampusSetup(home.path(), saved));
    EXPECT_EQ(chooseCampus(parsed({}), home.path(), noInput).setup, saved);
    EXPECT_EQ(std::filesystem::status(home.path() / std::filesystem::u8path(kCampusFileName)).permissions() &
                  std::filesystem::perms::group_read,
              std::filesystem::perms::none);
    ASSERT_TRUE(writeCampusSetup(home.path(), std::nullopt));
    EXPECT_FALSE(chooseCampus(parsed({}), home.path(), noInput).setup);
}

TEST(CommandLineTest, ThePasswordNeverComesFromTheCommandLine) {
    testing::TempDir home;
    const std::string file = (home.path() / "password").string();
    ASSERT_TRUE(writeFileAtomic(file, "from-file\r\nsecond line\n"));
    struct Case {
        std::vector<const char*> args;
        const char* input;
        std::string password; // empty: refused
    };
    const Case cases[] = {
        {{"--campus", "mqtt://b1:secret@h/c"}, "", ""},
        {{"--campus", "mqtt://b1@h/c", "--campus-password-file", file.c_str()}, "", "from-file"},
        {{"--campus", "mqtt://b1@h/c", "--campus-password-file", "-"}, "from-stdin\n", "from-stdin"},
        {{"--campus", "mqtt://b1@h/c", "--campus-password-file", "-"}, "", ""},
        {{"--campus", "mqtt://b1@h/c", "--campus-password-file", "/nonexistent"}, "", ""},
    };
    for (const Case& c : cases) {
        std::istringstream input(c.input);
        const CampusChoice choice = chooseCampus(parsed(c.args), home.path(), input);
        EXPECT_EQ(choice.setup ? choice.setup->address.password : "", c.password) << c.args[1] << c.input;
        EXPECT_EQ(choice.error.find("secret"), std::string::npos);
        EXPECT_EQ(choice.error.empty(), !c.password.empty()) << choice.error;
    }
    std::istringstream none;
    const CampusChoice withCa = chooseCampus(parsed({"--campus", "mqtt://b1@h/c", "--campus-password-file",
                                                     file.c_str(), "--campus-ca", "/ca.pem"}),
                                             home.path(), none);
    ASSERT_TRUE(withCa.setup);
    EXPECT_EQ(withCa.setup->caFile, "/ca.pem");
}

TEST(ServiceLoopTest, TicksComeOnHalfSecondBoundariesAndPostedTasksRunBetweenThem) {
    ServiceLoop loop;
    std::vector<WallTime> ticks;
    std::atomic<int> tasks = 0;
    std::thread poster([&] {
        for (int i = 0; i < 5; ++i)
            loop.post([&] { ++tasks; });
    });
    loop.run([&](WallTime due) {
        ticks.push_back(due);
        if (ticks.size() == 3)
            loop.stop();
    });
    poster.join();
    ASSERT_EQ(ticks.size(), 3u);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        EXPECT_EQ(ticks[i].time_since_epoch() % ServiceLoop::kPeriod, WallTime::duration::zero());
        if (i > 0) {
            EXPECT_EQ(ticks[i] - ticks[i - 1], ServiceLoop::kPeriod);
        }
    }
    EXPECT_EQ(tasks, 5) << "tasks posted long before the end ran";
}

} // namespace
} // namespace ringvale
