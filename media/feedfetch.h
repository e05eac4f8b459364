#pragma once

#include "core/holidayfeedfollower.h"

#include <string>

namespace ringvale {

// The largest holiday calendar taken, and the longest a fetch may take.
inline constexpr std::size_t kFeedBodyLimit = 4 * 1024 * 1024;
inline constexpr long kFeedConnectSeconds = 10;
inline constexpr long kFeedTotalSeconds = 30;

// One GET of a holiday feed with libcurl: http and https only (redirects too, at most 5), a
// status of 400 or more, a body beyond kFeedBodyLimit or a fetch beyond kFeedTotalSeconds is a
// failure that says why.
FeedFetch fetchHolidayFeed(const std::string& url);

} // namespace ringvale
