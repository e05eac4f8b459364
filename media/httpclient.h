#pragma once

#include <string>

namespace ringvale {

// One HTTP GET. The body is returned whatever the status; a failure gives what arrived before
// it, often nothing.
class HttpClient {
public:
    virtual ~HttpClient() = default;
    virtual std::string get(const std::string& url) = 0;
};

// libcurl: HTTP/1.0, an old browser's User-Agent, never from a cache, 10 s to connect and 30 s
// for the whole request.
class CurlHttpClient final : public HttpClient {
public:
    CurlHttpClient();
    std::string get(const std::string& url) override;
};

// The county's bytes percent-escaped one by one, so the server sees the same GBK bytes.
std::string escapeUrlComponent(const std::string& bytes);

} // namespace ringvale
