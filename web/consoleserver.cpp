#include "web/consoleserver.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>

#include <cstring>

namespace ringvale {

namespace {

constexpr auto kKeepAlive = std::chrono::seconds(15);

// One open /api/events stream, with the part of an event that did not fit the last buffer.
struct EventStream {
    ConsoleEvents& events;
    std::shared_ptr<ConsoleEvents::Stream> stream;
    std::string pending = "retry: 3000\n\n";
};

ssize_t readEvents(void* cls, uint64_t, char* buffer, size_t max) {
    auto* stream = static_cast<EventStream*>(cls);
    if (stream->pending.empty()) {
        if (stream->stream->closed())
            return MHD_CONTENT_READER_END_OF_STREAM;
        const auto event = stream->stream->next(kKeepAlive);
        if (!event && stream->stream->closed())
            return MHD_CONTENT_READER_END_OF_STREAM;
        stream->pending = event ? *event : std::string(": keep-alive\n\n");
    }
    const std::size_t n = std::min(max, stream->pending.size());
    std::memcpy(buffer, stream->pending.data(), n);
    stream->pending.erase(0, n);
    return static_cast<ssize_t>(n);
}

void freeEvents(void* cls) {
    auto* stream = static_cast<EventStream*>(cls);
    stream->events.close(stream->stream);
    delete stream;
}

std::string clientAddress(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr)
        return {};
    char text[INET6_ADDRSTRLEN] = {};
    const sockaddr* address = info->client_addr;
    if (address->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    else if (address->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text, sizeof text);
    return text;
}

std::string header(MHD_Connection* connection, const char* name) {
    const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
    return value ? value : "";
}

} // namespace

// A request's body as it arrives, and whether it grew past the limit.
struct ConsoleServer::Connection {
    std::string body;
    bool tooLarge = false;
};

namespace {

MHD_Result answer(void* cls, MHD_Connection* connection, const char* url, const char* method, const char*,
                  const char* uploadData, size_t* uploadSize, void** state) {
    auto& api = *static_cast<ConsoleApi*>(cls);
    auto* held = static_cast<ConsoleServer::Connection*>(*state);
    if (!held) {
        *state = new ConsoleServer::Connection;
        return MHD_YES;
    }
    if (*uploadSize > 0) {
        if (held->body.size() + *uploadSize > ConsoleApi::kLargestBody)
            held->tooLarge = true;
        else
            held->body.append(uploadData, *uploadSize);
        *uploadSize = 0;
        return MHD_YES;
    }
    WebRequest request;
    request.method = method;
    request.path = url;
    const char* query = nullptr;
    // libmicrohttpd hands the path without its query; the query arguments come apart.
    MHD_get_connection_values(
        connection, MHD_GET_ARGUMENT_KIND,
        [](void* cls, MHD_ValueKind, const char* key, const char* value) -> MHD_Result {
            auto& text = *static_cast<std::string*>(cls);
            text += (text.empty() ? "" : "&") + std::string(key) + "=" + (value ? value : "");
            return MHD_YES;
        },
        &request.query);
    (void)query;
    request.body = held->tooLarge ? std::string(ConsoleApi::kLargestBody + 1, ' ') : std::move(held->body);
    request.cookie = header(connection, "Cookie");
    request.csrf = header(connection, "X-CSRF-Token");
    request.address = clientAddress(connection);
    WebResponse response;
    try {
        response = api.handle(request);
    } catch (const std::exception& error) {
        // Never the end of the program (and its bells) for one request.
        response = jsonResponse(500, {{"error", std::string("the console failed: ") + error.what()}});
    }

    MHD_Response* reply = nullptr;
    if (response.eventStream && response.status == 200) {
        auto* stream = new EventStream{api.events(), api.events().open()};
        reply = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 4096, &readEvents, stream, &freeEvents);
    } else {
        reply = MHD_create_response_from_buffer(response.body.size(), const_cast<char*>(response.body.data()),
                                                MHD_RESPMEM_MUST_COPY);
    }
    if (!reply)
        return MHD_NO;
    MHD_add_response_header(reply, MHD_HTTP_HEADER_CONTENT_TYPE, response.contentType.c_str());
    for (const auto& [name, value] : response.headers)
        MHD_add_response_header(reply, name.c_str(), value.c_str());
    const MHD_Result queued = MHD_queue_response(connection, static_cast<unsigned>(response.status), reply);
    MHD_destroy_response(reply);
    return queued;
}

void completed(void*, MHD_Connection*, void** state, MHD_RequestTerminationCode) {
    delete static_cast<ConsoleServer::Connection*>(*state);
    *state = nullptr;
}

} // namespace

WebAddress parseWebAddress(const std::string& text) {
    WebAddress address;
    const std::size_t colon = text.rfind(':');
    std::string port = colon == std::string::npos ? text : text.substr(colon + 1);
    if (colon != std::string::npos) {
        address.host = text.substr(0, colon);
        if (address.host.size() >= 2 && address.host.front() == '[' && address.host.back() == ']')
            address.host = address.host.substr(1, address.host.size() - 2);
    }
    char* end = nullptr;
    const long number = std::strtol(port.c_str(), &end, 10);
    if (port.empty() || *end != '\0' || number < 0 || number > 65535)
        address.error =
            "--web needs [ADDRESS:]PORT with a port from 1 to 65535 (0: any free port), not \"" + text + "\"";
    address.port = static_cast<int>(number);
    return address;
}

ConsoleServer::ConsoleServer(ConsoleApi& api) : m_api(api) {}

ConsoleServer::~ConsoleServer() {
    stop();
}

std::string ConsoleServer::start(const WebAddress& address, const std::string& certPem,
                                 const std::string& keyPem) {
    if (!address.error.empty())
        return address.error;
    sockaddr_storage storage{};
    socklen_t length = 0;
    // poll(), not select(): a busy program holds descriptors beyond FD_SETSIZE.
    unsigned flags =
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_THREAD_PER_CONNECTION | MHD_USE_POLL | MHD_USE_ERROR_LOG;
    if (address.host.empty() || address.host.find(':') == std::string::npos) {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<uint16_t>(address.port));
        if (address.host.empty())
            v4->sin_addr.s_addr = htonl(INADDR_ANY);
        else if (inet_pton(AF_INET, address.host.c_str(), &v4->sin_addr) != 1)
            return "--web: \"" + address.host + "\" is not an IP address of this machine";
        length = sizeof(sockaddr_in);
    } else {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<uint16_t>(address.port));
        if (inet_pton(AF_INET6, address.host.c_str(), &v6->sin6_addr) != 1)
            return "--web: \"" + address.host + "\" is not an IP address of this machine";
        length = sizeof(sockaddr_in6);
        flags |= MHD_USE_IPv6;
    }
    (void)length;
    const bool tls = !certPem.empty() && !keyPem.empty();
    if (tls)
        flags |= MHD_USE_TLS;
    if (tls) {
        m_daemon =
            MHD_start_daemon(flags, static_cast<uint16_t>(address.port), nullptr, nullptr, &answer, &m_api,
                             MHD_OPTION_SOCK_ADDR, &storage, MHD_OPTION_NOTIFY_COMPLETED, &completed, nullptr,
                             MHD_OPTION_CONNECTION_LIMIT, kConnectionLimit, MHD_OPTION_CONNECTION_TIMEOUT,
                             60u, MHD_OPTION_HTTPS_MEM_CERT, certPem.c_str(), MHD_OPTION_HTTPS_MEM_KEY,
                             keyPem.c_str(), MHD_OPTION_END);
    } else {
        m_daemon = MHD_start_daemon(flags, static_cast<uint16_t>(address.port), nullptr, nullptr, &answer,
                                    &m_api, MHD_OPTION_SOCK_ADDR, &storage, MHD_OPTION_NOTIFY_COMPLETED,
                                    &completed, nullptr, MHD_OPTION_CONNECTION_LIMIT, kConnectionLimit,
                                    MHD_OPTION_CONNECTION_TIMEOUT, 60u, MHD_OPTION_END);
    }
    if (!m_daemon)
        return "the console could not listen on " + (address.host.empty() ? std::string("*") : address.host) +
               ":" + std::to_string(address.port) +
               (tls ? " (is the certificate and key a valid PEM pair?)" : "");
    const MHD_DaemonInfo* info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    m_port = info ? info->port : address.port;
    return {};
}

void ConsoleServer::stop() {
    if (!m_daemon)
        return;
    m_api.stopping();
    m_api.events().closeAll();
    MHD_stop_daemon(m_daemon);
    m_daemon = nullptr;
}

} // namespace ringvale
