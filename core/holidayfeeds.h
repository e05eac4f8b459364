#pragma once

// Holiday calendars followed by URL. 校历订阅.INI beside the calendar (GBK, CRLF) keeps, for each
// feed, its address, when it was last applied, its last problem and the calendar entries it
// brought, so a later fetch replaces exactly those and never the operator's own:
//   [订阅]
//   地址=https://example.org/holidays.ics
//   获取=2026-12-10 08:00:00
//   问题=
//   不打铃|2026-10-01~2026-10-07=国庆节
//   补课|2026-09-28=国庆节(班)

#include "core/holidayimport.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ringvale {

inline constexpr const char* kFeedFileName = "校历订阅.INI";

struct FeedEntry {
    std::string section; // GBK: 不打铃 or 补课
    std::string key;     // a calendar key
    std::string value;   // GBK, as written into the calendar
    bool operator==(const FeedEntry&) const = default;
};

struct HolidayFeed {
    std::string url;
    std::string fetched; // local "YYYY-MM-DD HH:MM:SS" of the last fetch applied; empty: none yet
    std::string problem; // UTF-8: why the last fetch was not applied; empty when it was
    std::vector<FeedEntry> brought;
    bool operator==(const HolidayFeed&) const = default;
};

std::filesystem::path feedFilePath(const std::filesystem::path& programDir);
std::vector<HolidayFeed> parseFeedFile(std::string_view text);
std::string feedFileText(const std::vector<HolidayFeed>& feeds);
std::vector<HolidayFeed> readFeeds(const std::filesystem::path& programDir);
[[nodiscard]] bool writeFeeds(const std::filesystem::path& programDir, const std::vector<HolidayFeed>& feeds);

// The address to fetch for what the operator typed: http and https as they are, webcal and
// webcals as https. Refused (in `error`, UTF-8): another scheme, no host, spaces or control
// characters, a user name or password (give the feed's own private address instead).
struct FeedAddress {
    std::string url;
    std::string error;
};
FeedAddress feedAddress(std::string_view typed);

// The address as the log and the window name it: scheme and host only, since a private feed's
// path or query is its key.
std::string feedLabel(std::string_view url);

enum class FeedSubscription { Add, MustExist };

// Applies a fetched feed: the entries it brought last time are removed where the calendar still
// holds what it wrote, and each new entry is added where the calendar has no entry of that key
// (an entry of the operator's own is never replaced). With FeedSubscription::Add the feed is
// subscribed if it was not; with MustExist a feed unsubscribed meanwhile is left alone (error).
// `now` is the local time text kept as the fetch time. `dryRun` writes nothing.
HolidayImport applyFeed(const std::filesystem::path& programDir, const std::string& url,
                        std::string_view icsText, const std::string& now, FeedSubscription subscription,
                        bool dryRun = false);

// Keeps why a fetch failed; the entries the feed brought stay. False when the file could not be written.
bool noteFeedProblem(const std::filesystem::path& programDir, const std::string& url, const std::string& why);

// Ends a subscription and removes the entries it brought (where they still hold what it wrote).
// Empty, or why not (UTF-8).
std::string unsubscribeFeed(const std::filesystem::path& programDir, const std::string& url);

} // namespace ringvale
