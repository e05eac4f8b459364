#include "core/codepage.h"
#include "core/filestore.h"
#include "fakes.h"
#include "media/httpclient.h"
#include "records.h"
#include "service/bellservice.h"
#include "tempdir.h"

#include <gtest/gtest.h>

namespace ringvale {
namespace {

using testing::FakeClock;
using testing::FakePlayback;
using testing::localInstant;
using testing::record;

constexpr int kMonday = 2;
const std::string kEveryDay = "1111111";

class NoWeather final : public HttpClient {
public:
    std::string get(const std::string&) override { return {}; }
};

// The service on a program directory of its own, ticked by hand every half second.
class ServiceOnDisk {
public:
    void write(const char* name, const std::string& bytes) {
        ASSERT_TRUE(writeFileAtomic(m_home.path() / std::filesystem::u8path(name), bytes));
    }
    void start(WallTime at) {
        clock.time = at;
        m_service =
            std::make_unique<BellService>(BellService::Services{m_player,
                                                                clock,
                                                                m_loop,
                                                                [] { return std::make_unique<NoWeather>(); },
                                                                "127.0.0.1:9",
                                                                {},
                                                                nullptr,
                                                                [] { return std::optional<bool>(true); }},
                                          m_home.path(), std::nullopt);
        m_service->start();
        m_next = at;
    }
    // Ticks up to, not including, `end`; the clock trails the timer by a few milliseconds.
    void tickUntil(WallTime end) {
        for (; m_next < end; m_next += std::chrono::milliseconds(500)) {
            clock.time = m_next - std::chrono::milliseconds(3);
            m_service->tick(m_next);
        }
    }
    std::vector<std::string> plays() const {
        std::vector<std::string> out;
        for (const auto& play : m_player.plays)
            out.push_back(play.path);
        return out;
    }
    FakeClock clock;

private:
    testing::TempDir m_home;
    FakePlayback m_player;
    ServiceLoop m_loop;
    std::unique_ptr<BellService> m_service;
    WallTime m_next;
};

TEST(BellServiceTest, AtMidnightTheNewDaysPlanHoldsFromItsFirstTick) {
    struct Case {
        const char* name;
        const char* calendar;
        std::vector<std::string> plays;
    };
    const Case cases[] = {
        {"no calendar", "", {"a.mp3"}},
        {"Tuesday switches timetables", "[作息表]\r\n2026-01-06=夏季作息表\r\n", {"b.mp3"}},
        {"Tuesday rings nothing", "[不打铃]\r\n2026-01-06=运动会\r\n", {}},
    };
    for (const Case& c : cases) {
        ServiceOnDisk service;
        service.write("春季作息表.INI", record("a.mp3", "1", kEveryDay, {"00:00:00"}));
        service.write("夏季作息表.INI", record("b.mp3", "1", kEveryDay, {"00:00:00"}));
        service.write("校历.INI", gbkFromUtf8(c.calendar));
        service.start(localInstant(kMonday, 23, 59, 59));
        service.tickUntil(localInstant(kMonday + 1, 0, 0, 3));
        EXPECT_EQ(service.plays(), c.plays) << c.name;
    }
}

TEST(BellServiceTest, AMakeupSaturdayRingsTheWeekdaysBells) {
    struct Case {
        const char* calendar;
        std::vector<std::string> plays;
    };
    const Case cases[] = {{"", {"weekend.mp3"}}, {"[补课]\r\n2026-01-10=补周五的课\r\n", {"friday.mp3"}}};
    for (const Case& c : cases) {
        ServiceOnDisk service;
        service.write("春季作息表.INI", record("friday.mp3", "1", "0000010", {"08:00:00"}) +
                                            record("weekend.mp3", "1", "1000001", {"08:00:00"}));
        service.write("校历.INI", gbkFromUtf8(c.calendar));
        constexpr int kSaturday = 7;
        service.start(localInstant(kSaturday, 7, 59, 0));
        service.tickUntil(localInstant(kSaturday, 8, 1, 0));
        EXPECT_EQ(service.plays(), c.plays) << c.calendar;
    }
}

TEST(BellServiceTest, ATimetableChangedOnDiskIsFollowedAndRingsNothingTwice) {
    const std::string timetable = "春季作息表.INI";
    struct Case {
        const char* name;
        std::string after; // the file written at 08:00:10
        std::vector<std::string> plays;
    };
    const std::string bells = record("a.mp3", "1", kEveryDay, {"08:00:00", "08:02:00"});
    const Case cases[] = {
        {"another count", record("a.mp3", "3", kEveryDay, {"08:00:00", "08:02:00"}), {"a.mp3", "a.mp3"}},
        {"08:02 deleted", record("a.mp3", "1", kEveryDay, {"08:00:00"}), {"a.mp3"}},
        {"a new rule in the bell's minute",
         bells + record("b.mp3", "1", kEveryDay, {"08:00:00"}),
         {"a.mp3", "b.mp3", "a.mp3"}},
        {"the file changed",
         record("c.mp3", "1", kEveryDay, {"08:00:00", "08:02:00"}),
         {"a.mp3", "c.mp3", "c.mp3"}},
    };
    for (const Case& c : cases) {
        ServiceOnDisk service;
        service.write(timetable.c_str(), bells);
        service.start(localInstant(kMonday, 7, 59, 59));
        service.tickUntil(localInstant(kMonday, 8, 0, 10));
        service.write(timetable.c_str(), c.after);
        service.tickUntil(localInstant(kMonday, 8, 3, 0));
        EXPECT_EQ(service.plays(), c.plays) << c.name;
    }
}

} // namespace
} // namespace ringvale
