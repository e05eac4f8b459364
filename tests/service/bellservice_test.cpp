#include "core/codepage.h"
#include "core/filestore.h"
#include "core/profilefile.h"
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
using testing::playRule;
using testing::record;

constexpr int kMonday = 2;

class NoWeather final : public HttpClient {
public:
    std::string get(const std::string&) override { return {}; }
};

// The service on a program directory whose first two timetables ring a.mp3 and b.mp3 at 00:00
// every day, ticked by hand from Monday 23:59:59 into Tuesday.
std::vector<FakePlayback::Call> ringAcrossMidnight(const std::string& calendar) {
    testing::TempDir home;
    const std::string everyDay = "1111111";
    writeFileAtomic(home.path() / std::filesystem::u8path("春季作息表.INI"),
                    record("a.mp3", "1", everyDay, {"00:00:00"}));
    writeFileAtomic(home.path() / std::filesystem::u8path("夏季作息表.INI"),
                    record("b.mp3", "1", everyDay, {"00:00:00"}));
    writeFileAtomic(home.path() / std::filesystem::u8path("校历.INI"), gbkFromUtf8(calendar));
    FakePlayback player;
    FakeClock clock;
    clock.set(kMonday, 23, 59, 59);
    ServiceLoop loop;
    BellService service(
        BellService::Services{
            player, clock, loop, [] { return std::make_unique<NoWeather>(); }, "127.0.0.1:9", {}, nullptr},
        home.path(), std::nullopt);
    service.start();
    for (int half = 0; half < 6; ++half) {
        const WallTime due = localInstant(kMonday, 23, 59, 59, 500) + std::chrono::milliseconds(500 * half);
        clock.time = due - std::chrono::milliseconds(3); // the clock trails the timer a little
        service.tick(due);
    }
    return player.plays;
}

TEST(BellServiceTest, AtMidnightTheNewDaysPlanHoldsFromItsFirstTick) {
    struct Case {
        const char* name;
        const char* calendar;
        std::vector<FakePlayback::Call> plays;
    };
    const Case cases[] = {
        {"no calendar", "", {{1, "a.mp3"}}},
        {"Tuesday switches timetables", "[作息表]\r\n2026-01-06=夏季作息表\r\n", {{1, "b.mp3"}}},
        {"Tuesday rings nothing", "[不打铃]\r\n2026-01-06=运动会\r\n", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ringAcrossMidnight(c.calendar), c.plays) << c.name;
}

} // namespace
} // namespace ringvale
