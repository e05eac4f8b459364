#include "media/feedfetch.h"

#include "core/version.h"

#include <curl/curl.h>

#include <mutex>

namespace ringvale {

namespace {

struct Body {
    std::string bytes;
    bool tooLarge = false;
};

std::size_t collect(char* data, std::size_t size, std::size_t count, void* target) {
    auto* body = static_cast<Body*>(target);
    const std::size_t bytes = size * count;
    if (body->bytes.size() + bytes > kFeedBodyLimit) {
        body->tooLarge = true;
        return 0;
    }
    body->bytes.append(data, bytes);
    return bytes;
}

} // namespace

FeedFetch fetchHolidayFeed(const std::string& url) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    FeedFetch result;
    CURL* curl = curl_easy_init();
    if (!curl) {
        result.error = "the network library could not start";
        return result;
    }
    Body body;
    char error[CURL_ERROR_SIZE] = {};
    const std::string agent = std::string("Ringvale/") + kVersion;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kFeedConnectSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kFeedTotalSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kFeedBodyLimit));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (body.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        result.error =
            "the calendar is larger than " + std::to_string(kFeedBodyLimit / (1024 * 1024)) + " MiB";
    } else if (code != CURLE_OK) {
        result.error = "fetch failed: " + std::string(error[0] ? error : curl_easy_strerror(code));
    } else if (status >= 400) {
        result.error = "the server answered HTTP " + std::to_string(status);
    } else {
        result.ok = true;
        result.body = std::move(body.bytes);
    }
    return result;
}

} // namespace ringvale
