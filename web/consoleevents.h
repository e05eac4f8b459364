#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ringvale {

// The console's live events (Server-Sent Events): the engine publishes, each open /api/events
// stream takes them in order. A stream that falls behind by more than kBacklog events loses the
// oldest, so a stalled browser never holds the engine's memory.
class ConsoleEvents {
public:
    static constexpr std::size_t kBacklog = 256;

    class Stream {
    public:
        // The next event's text ("event: …\ndata: …\n\n"), waiting up to `wait`; nullopt when
        // nothing came in time (the caller sends a keep-alive) or the events were closed.
        std::optional<std::string> next(std::chrono::milliseconds wait);
        bool closed() const;

    private:
        friend class ConsoleEvents;
        mutable std::mutex m_mutex;
        std::condition_variable m_wake;
        std::deque<std::string> m_queue;
        bool m_closed = false;
    };

    // From any thread. `type` names the event; `json` is its data, on one line.
    void publish(const std::string& type, const std::string& json);
    std::shared_ptr<Stream> open();
    void close(const std::shared_ptr<Stream>& stream);
    // Ends every stream (the server is stopping).
    void closeAll();
    std::size_t streams() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<Stream>> m_streams;
};

} // namespace ringvale
