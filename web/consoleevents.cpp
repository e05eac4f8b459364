#include "web/consoleevents.h"

#include <algorithm>

namespace ringvale {

std::optional<std::string> ConsoleEvents::Stream::next(std::chrono::milliseconds wait) {
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, wait, [this] { return m_closed || !m_queue.empty(); });
    if (m_queue.empty())
        return std::nullopt;
    std::string event = std::move(m_queue.front());
    m_queue.pop_front();
    return event;
}

bool ConsoleEvents::Stream::closed() const {
    std::lock_guard lock(m_mutex);
    return m_closed;
}

void ConsoleEvents::publish(const std::string& type, const std::string& json) {
    const std::string event = "event: " + type + "\ndata: " + json + "\n\n";
    std::lock_guard lock(m_mutex);
    for (const auto& stream : m_streams) {
        std::lock_guard streamLock(stream->m_mutex);
        if (stream->m_queue.size() >= kBacklog)
            stream->m_queue.pop_front();
        stream->m_queue.push_back(event);
        stream->m_wake.notify_one();
    }
}

std::shared_ptr<ConsoleEvents::Stream> ConsoleEvents::open() {
    auto stream = std::make_shared<Stream>();
    std::lock_guard lock(m_mutex);
    m_streams.push_back(stream);
    return stream;
}

void ConsoleEvents::close(const std::shared_ptr<Stream>& stream) {
    {
        std::lock_guard lock(m_mutex);
        std::erase(m_streams, stream);
    }
    std::lock_guard streamLock(stream->m_mutex);
    stream->m_closed = true;
    stream->m_wake.notify_all();
}

void ConsoleEvents::closeAll() {
    std::vector<std::shared_ptr<Stream>> streams;
    {
        std::lock_guard lock(m_mutex);
        streams.swap(m_streams);
    }
    for (const auto& stream : streams) {
        std::lock_guard streamLock(stream->m_mutex);
        stream->m_closed = true;
        stream->m_wake.notify_all();
    }
}

std::size_t ConsoleEvents::streams() const {
    std::lock_guard lock(m_mutex);
    return m_streams.size();
}

} // namespace ringvale
