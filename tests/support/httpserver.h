#pragma once

// A small HTTP server on 127.0.0.1 and an ephemeral port, for the weather tests. It answers
// each request with the body registered for the longest matching path prefix (or 404 with an
// empty body) and records the requests as received.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ringvale::testing {

class HttpServer {
public:
    HttpServer() {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_socket, 16);
        socklen_t length = sizeof address;
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~HttpServer() {
        m_stop = true;
        m_thread.join();
        ::close(m_socket);
    }
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }

    void respond(const std::string& pathPrefix, std::string body, int status = 200) {
        std::lock_guard lock(m_mutex);
        m_routes[pathPrefix] = {std::move(body), status};
    }
    // Every answer waits this long first, like a slow server.
    void setDelay(std::chrono::milliseconds delay) { m_delay = delay; }
    std::vector<std::string> requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    // The request lines ("GET /path HTTP/1.0") in order.
    std::vector<std::string> requestLines() const {
        std::vector<std::string> lines;
        for (const std::string& r : requests())
            lines.push_back(r.substr(0, r.find("\r\n")));
        return lines;
    }

private:
    struct Route {
        std::string body;
        int status;
    };

    void serve() {
        while (!m_stop) {
            pollfd waiting{m_socket, POLLIN, 0};
            if (::poll(&waiting, 1, 20) <= 0)
                continue;
            const int client = ::accept(m_socket, nullptr, nullptr);
            if (client < 0)
                continue;
            handle(client);
            ::close(client);
        }
    }

    void handle(int client) {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            pollfd readable{client, POLLIN, 0};
            if (::poll(&readable, 1, 2000) <= 0)
                return;
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        const std::size_t pathStart = request.find(' ') + 1;
        const std::string path = request.substr(pathStart, request.find(' ', pathStart) - pathStart);
        Route route{"", 404};
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(request);
            std::size_t best = 0;
            for (const auto& [prefix, r] : m_routes) {
                if (path.rfind(prefix, 0) == 0 && prefix.size() >= best) {
                    best = prefix.size();
                    route = r;
                }
            }
        }
        std::this_thread::sleep_for(m_delay.load());
        const std::string response = "HTTP/1.0 " + std::to_string(route.status) +
                                     " X\r\nContent-Length: " + std::to_string(route.body.size()) +
                                     "\r\nConnection: close\r\n\r\n" + route.body;
        std::size_t sent = 0;
        while (sent < response.size()) {
            const ssize_t n = ::send(client, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += static_cast<std::size_t>(n);
        }
    }

    int m_socket = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<std::chrono::milliseconds> m_delay{std::chrono::milliseconds(0)};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::map<std::string, Route> m_routes;
    std::vector<std::string> m_requests;
};

} // namespace ringvale::testing
