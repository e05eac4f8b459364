#include "media/httpclient.h"

#include <curl/curl.h>

#include <mutex>

namespace ringvale {

namespace {

constexpr std::size_t kBodyLimit = 1024 * 1024; // real weather pages are tens of kilobytes

std::size_t collect(char* data, std::size_t size, std::size_t count, void* target) {
    auto* body = static_cast<std::string*>(target);
    const std::size_t bytes = size * count;
    if (body->size() + bytes > kBodyLimit)
        return 0; // ends the transfer: what arrived so far is kept
    body->append(data, bytes);
    return bytes;
}

} // namespace

CurlHttpClient::CurlHttpClient() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string CurlHttpClient::get(const std::string& url) {
    std::string body;
    CURL* curl = curl_easy_init();
    if (!curl)
        return body;
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Accept: */*");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    headers = curl_slist_append(headers, "Cache-Control: no-cache");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 10L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_perform(curl); // the result does not matter: whatever body came is the answer
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return body;
}

std::string escapeUrlComponent(const std::string& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
            b == '.' || b == '_' || b == '~') {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 15]);
        }
    }
    return out;
}

} // namespace ringvale
