#include "core/holidayfeedfollower.h"

#include "core/clock.h"
#include "core/holidayfeeds.h"

#include <cstdio>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace ringvale {

struct HolidayFeedFollower::Shared {
    std::mutex mutex;
    std::condition_variable ended;
    bool running = false;
};

HolidayFeedFollower::HolidayFeedFollower(std::filesystem::path programDir, Fetch fetch, Post post,
                                         BellLog& log, const Clock& clock)
    : m_programDir(std::move(programDir)), m_fetch(std::move(fetch)), m_post(std::move(post)), m_log(log),
      m_clock(clock), m_shared(std::make_shared<Shared>()) {}

HolidayFeedFollower::~HolidayFeedFollower() {
    waitForBackground(std::chrono::seconds(2));
}

void HolidayFeedFollower::follow() {
    const int day = static_cast<int>(localMinuteNumber(localTimeAt(m_clock.now())) / 1440);
    if (day == m_day)
        return;
    m_day = day;
    refreshNow();
}

void HolidayFeedFollower::refreshNow() {
    std::vector<std::string> urls;
    for (const HolidayFeed& feed : readFeeds(m_programDir))
        urls.push_back(feed.url);
    if (urls.empty() || !m_fetch)
        return;
    {
        std::lock_guard lock(m_shared->mutex);
        if (m_shared->running)
            return;
        m_shared->running = true;
    }
    // The applying runs on the engine's thread, and only while this follower still exists (it
    // is made and destroyed on that thread too).
    std::weak_ptr<Shared> alive = m_shared;
    std::thread([this, urls = std::move(urls), fetch = m_fetch, post = m_post, shared = m_shared, alive] {
        std::vector<std::pair<std::string, FeedFetch>> fetched;
        for (const std::string& url : urls)
            fetched.emplace_back(url, fetch(url));
        post([this, alive, fetched = std::move(fetched)] {
            if (!alive.lock())
                return;
            const std::string now = localTimeText(localTimeAt(m_clock.now()));
            for (const auto& [url, result] : fetched) {
                const std::string label = "holiday feed " + feedLabel(url);
                if (!result.ok) {
                    m_log.record(systemEntry(label + ": " + result.error + "; the days it brought are kept"));
                    if (!noteFeedProblem(m_programDir, url, result.error))
                        m_log.record(systemEntry(label + ": its record could not be written"));
                    continue;
                }
                const HolidayImport applied =
                    applyFeed(m_programDir, url, result.body, now, FeedSubscription::MustExist);
                if (!applied.error.empty()) {
                    m_log.record(systemEntry(label + ": not applied: " + applied.error));
                    if (!noteFeedProblem(m_programDir, url, applied.error))
                        m_log.record(systemEntry(label + ": its record could not be written"));
                    continue;
                }
                std::string said = label + ": " + std::to_string(applied.entries.size()) +
                                   " days without bells, " + std::to_string(applied.makeupDays.size()) +
                                   " makeup school days";
                if (const std::string leftOut = applied.leftOut(); !leftOut.empty())
                    said += "; left out: " + leftOut;
                m_log.record(systemEntry(said));
            }
        });
        std::lock_guard lock(shared->mutex);
        shared->running = false;
        shared->ended.notify_all();
    }).detach();
}

bool HolidayFeedFollower::waitForBackground(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_shared->mutex);
    return m_shared->ended.wait_for(lock, timeout, [this] { return !m_shared->running; });
}

} // namespace ringvale
