#pragma once

#include "core/belllog.h"
#include "core/clock.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace ringvale {

// What fetching a feed gave: its body, or why there is none (UTF-8).
struct FeedFetch {
    bool ok = false;
    std::string body;
    std::string error;
};

// Keeps the subscribed holiday feeds current: each is fetched at start and again once a day,
// on a thread of its own, and applied on the engine's thread (through `post`), where the
// calendar follower then sees the changed calendar. A failed fetch keeps what the feed brought
// and is logged.
class HolidayFeedFollower {
public:
    using Fetch = std::function<FeedFetch(const std::string& url)>;
    using Post = std::function<void(std::function<void()>)>;

    HolidayFeedFollower(std::filesystem::path programDir, Fetch fetch, Post post, BellLog& log,
                        const Clock& clock);
    ~HolidayFeedFollower();
    HolidayFeedFollower(const HolidayFeedFollower&) = delete;
    HolidayFeedFollower& operator=(const HolidayFeedFollower&) = delete;

    // On each tick: starts a refresh when none ran yet today.
    void follow();
    // Starts a refresh of every subscribed feed now.
    void refreshNow();
    // Waits up to `timeout` for a running refresh to end; true when none runs.
    bool waitForBackground(std::chrono::milliseconds timeout) const;

private:
    struct Shared;
    std::filesystem::path m_programDir;
    Fetch m_fetch;
    Post m_post;
    BellLog& m_log;
    const Clock& m_clock;
    int m_day = -1; // the local day number of the last refresh
    std::shared_ptr<Shared> m_shared;
};

} // namespace ringvale
