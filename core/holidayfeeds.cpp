#include "core/holidayfeeds.h"

#include "core/calendarfile.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "core/gbktext.h"
#include "core/profilefile.h"

#include <algorithm>

namespace ringvale {

namespace {

RINGVALE_GBK_TEXT(feedSection, "[订阅]")
RINGVALE_GBK_TEXT(addressKey, "地址=")
RINGVALE_GBK_TEXT(fetchedKey, "获取=")
RINGVALE_GBK_TEXT(problemKey, "问题=")
RINGVALE_GBK_TEXT(noBellsSection, "不打铃")
RINGVALE_GBK_TEXT(makeupSection, "补课")

// Keeps a value on its one line.
std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

std::vector<HolidayFeed>::iterator findFeed(std::vector<HolidayFeed>& feeds, const std::string& url) {
    return std::find_if(feeds.begin(), feeds.end(),
                        [&url](const HolidayFeed& feed) { return feed.url == url; });
}

// Removes the entries a feed brought where the calendar still holds what it wrote.
std::string withoutBrought(std::string text, const std::vector<FeedEntry>& brought) {
    for (const FeedEntry& entry : brought)
        if (readProfileValue(text, entry.section, entry.key) == entry.value)
            text = withCalendarEntry(text, entry.section, entry.key, {});
    return text;
}

} // namespace

std::filesystem::path feedFilePath(const std::filesystem::path& programDir) {
    return programDir / std::filesystem::u8path(kFeedFileName);
}

std::vector<HolidayFeed> parseFeedFile(std::string_view text) {
    std::vector<HolidayFeed> feeds;
    for (std::string line : textSplit(text, "\n")) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line == feedSection()) {
            feeds.emplace_back();
        } else if (feeds.empty()) {
            continue;
        } else if (line.starts_with(addressKey())) {
            feeds.back().url = line.substr(addressKey().size());
        } else if (line.starts_with(fetchedKey())) {
            feeds.back().fetched = line.substr(fetchedKey().size());
        } else if (line.starts_with(problemKey())) {
            feeds.back().problem = utf8FromGbk(line.substr(problemKey().size()));
        } else if (const auto bar = line.find('|'),
                   equals = line.find('=', bar == std::string::npos ? 0 : bar);
                   bar != std::string::npos && equals != std::string::npos) {
            feeds.back().brought.push_back(
                {line.substr(0, bar), line.substr(bar + 1, equals - bar - 1), line.substr(equals + 1)});
        }
    }
    std::erase_if(feeds, [](const HolidayFeed& feed) { return feed.url.empty(); });
    return feeds;
}

std::string feedFileText(const std::vector<HolidayFeed>& feeds) {
    std::string out;
    for (const HolidayFeed& feed : feeds) {
        out += feedSection() + "\r\n" + addressKey() + oneLine(feed.url) + "\r\n" + fetchedKey() +
               oneLine(feed.fetched) + "\r\n" + problemKey() + oneLine(gbkFromUtf8(feed.problem)) + "\r\n";
        for (const FeedEntry& entry : feed.brought)
            out += entry.section + "|" + entry.key + "=" + oneLine(entry.value) + "\r\n";
    }
    return out;
}

std::vector<HolidayFeed> readFeeds(const std::filesystem::path& programDir) {
    const FileRead file = readWholeFile(feedFilePath(programDir));
    return file.ok() ? parseFeedFile(file.bytes) : std::vector<HolidayFeed>();
}

bool writeFeeds(const std::filesystem::path& programDir, const std::vector<HolidayFeed>& feeds) {
    return writeFileAtomic(feedFilePath(programDir), feedFileText(feeds), 0600);
}

FeedAddress feedAddress(std::string_view typed) {
    std::string url = textTrim(typed);
    const auto refuse = [](std::string why) { return FeedAddress{{}, std::move(why)}; };
    for (const char c : url)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f)
            return refuse("a feed address holds no spaces or control characters");
    const std::size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return refuse("a feed address starts with http://, https:// or webcal://");
    std::string name = url.substr(0, scheme);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name == "webcal" || name == "webcals")
        url = "https" + url.substr(scheme);
    else if (name != "http" && name != "https")
        return refuse("a feed address starts with http://, https:// or webcal://, not " + name + "://");
    const std::size_t hostStart = url.find("://") + 3;
    const std::string authority = url.substr(hostStart, url.find_first_of("/?#", hostStart) - hostStart);
    if (authority.find('@') != std::string::npos)
        return refuse("a feed address carries no user name or password (they would be kept in the clear)");
    if (authority.empty() || authority.front() == ':')
        return refuse("the feed address names no host");
    return {url, {}};
}

std::string feedLabel(std::string_view url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos)
        return "(feed)";
    const std::size_t pathStart = url.find_first_of("/?#", scheme + 3);
    const std::string head(url.substr(0, pathStart));
    return pathStart == std::string_view::npos || url.substr(pathStart) == "/" ? head : head + "/…";
}

HolidayImport applyFeed(const std::filesystem::path& programDir, const std::string& url,
                        std::string_view icsText, const std::string& now, FeedSubscription subscription,
                        bool dryRun) {
    HolidayImport result = readHolidays(icsText);
    if (!result.error.empty())
        return result;
    std::vector<HolidayFeed> feeds = readFeeds(programDir);
    auto feed = findFeed(feeds, url);
    if (feed == feeds.end() && subscription == FeedSubscription::MustExist) {
        result.error = "the feed is no longer subscribed";
        return result;
    }
    const CalendarFile current = readCalendarFile(programDir);
    if (current.status == FileRead::Status::Unreadable) {
        result.error = current.problem;
        return result;
    }
    std::string text = feed == feeds.end() ? current.text : withoutBrought(current.text, feed->brought);
    std::vector<FeedEntry> brought;
    const auto add = [&](const std::vector<CalendarEntry>& entries, const std::string& section) {
        for (const CalendarEntry& entry : entries) {
            FeedEntry added{section, calendarKeyText(entry.range), oneLine(entry.value)};
            if (!readProfileValue(text, section, added.key).empty())
                continue; // the operator's own entry, or one already brought under this key
            text = withCalendarEntry(text, section, added.key, added.value);
            brought.push_back(std::move(added));
        }
    };
    add(result.entries, noBellsSection());
    add(result.makeupDays, makeupSection());
    result.before = current.calendar;
    result.after = parseSchoolCalendar(text);
    if (dryRun)
        return result;
    if (text != current.text && !writeFileAtomic(calendarFilePath(programDir), text)) {
        result.error = "cannot write " + calendarFilePath(programDir).string();
        return result;
    }
    if (feed == feeds.end())
        feed = feeds.insert(feeds.end(), HolidayFeed{url, {}, {}, {}});
    feed->fetched = now;
    feed->problem.clear();
    feed->brought = std::move(brought);
    if (!writeFeeds(programDir, feeds))
        result.error = "cannot write " + feedFilePath(programDir).string();
    return result;
}

bool noteFeedProblem(const std::filesystem::path& programDir, const std::string& url,
                     const std::string& why) {
    std::vector<HolidayFeed> feeds = readFeeds(programDir);
    const auto feed = findFeed(feeds, url);
    if (feed == feeds.end() || feed->problem == why)
        return true;
    feed->problem = why;
    return writeFeeds(programDir, feeds);
}

std::string unsubscribeFeed(const std::filesystem::path& programDir, const std::string& url) {
    std::vector<HolidayFeed> feeds = readFeeds(programDir);
    const auto feed = findFeed(feeds, url);
    if (feed == feeds.end())
        return "not subscribed: " + feedLabel(url);
    const CalendarFile current = readCalendarFile(programDir);
    if (current.status == FileRead::Status::Unreadable)
        return current.problem;
    const std::string text = withoutBrought(current.text, feed->brought);
    if (text != current.text && !writeFileAtomic(calendarFilePath(programDir), text))
        return "cannot write " + calendarFilePath(programDir).string();
    feeds.erase(feed);
    if (!writeFeeds(programDir, feeds))
        return "cannot write " + feedFilePath(programDir).string();
    return {};
}

} // namespace ringvale
