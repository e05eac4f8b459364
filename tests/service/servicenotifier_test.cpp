#include "service/serviceloop.h"
#include "service/servicenotifier.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace ringvale {
namespace {

// A datagram socket standing in for systemd's notify socket, for the life of the object.
class NotifySocket {
public:
    NotifySocket() {
        const std::string path = (m_dir.path() / "notify").string();
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        timeval timeout{0, 100'000};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ::setenv("NOTIFY_SOCKET", path.c_str(), 1);
        ::setenv("WATCHDOG_USEC", "1000000", 1); // a second: a message every quarter of it at most
        ::setenv("WATCHDOG_PID", std::to_string(::getpid()).c_str(), 1);
    }
    ~NotifySocket() {
        ::unsetenv("NOTIFY_SOCKET");
        ::unsetenv("WATCHDOG_USEC");
        ::unsetenv("WATCHDOG_PID");
        ::close(m_fd);
    }
    // The messages that came within the receive time-out, one per datagram.
    std::vector<std::string> received() {
        std::vector<std::string> out;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(m_fd, buffer, sizeof buffer, 0)) > 0;)
            out.emplace_back(buffer, static_cast<std::size_t>(n));
        return out;
    }

private:
    testing::TempDir m_dir;
    int m_fd = -1;
};

TEST(ServiceNotifierTest, ReadyAfterTheFirstTickAndTheWatchdogFedOnlyByTicks) {
    NotifySocket systemd;
    ServiceNotifier notifier;
    ServiceLoop loop;
    std::mutex mutex;
    std::condition_variable release;
    bool released = false;
    int ticks = 0;
    std::thread engine([&] {
        loop.run([&](WallTime) {
            notifier.ticked(++ticks < 3 ? "spring, running, next bell 08:00:00  bell.mp3"
                                        : "spring, stopped");
            if (ticks == 3) { // the clock gets stuck here
                std::unique_lock lock(mutex);
                release.wait(lock, [&] { return released; });
                loop.stop();
            }
        });
    });
    std::vector<std::string> messages;
    while (messages.size() < 3)
        for (std::string& message : systemd.received())
            messages.push_back(std::move(message));
    EXPECT_EQ(messages[0], "READY=1\nWATCHDOG=1\nSTATUS=spring, running, next bell 08:00:00  bell.mp3\n");
    EXPECT_EQ(messages[1], "WATCHDOG=1\n");
    EXPECT_EQ(messages[2], "WATCHDOG=1\nSTATUS=spring, stopped\n");
    // Stuck for more than the watchdog's period: nothing more comes, so systemd would restart it.
    std::vector<std::string> whileStuck;
    for (int look = 0; look < 12; ++look)
        for (std::string& message : systemd.received())
            whileStuck.push_back(std::move(message));
    EXPECT_TRUE(whileStuck.empty());
    {
        const std::lock_guard lock(mutex);
        released = true;
    }
    release.notify_all();
    engine.join();
}

} // namespace
} // namespace ringvale
