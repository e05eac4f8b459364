#pragma once

// Records a sound server's sink through its monitor, for the benchmarks that measure when a bell
// is heard.

#include "core/clock.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ringvale::bench {

using namespace std::chrono;

inline constexpr int kRate = 44100;
inline constexpr int kLoud = 328; // -40 dBFS

inline pid_t spawn(std::vector<std::string> argv, int stdoutFd = -1) {
    std::vector<char*> args;
    for (auto& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Records a sink's monitor through parec and reads the time of each sample from the recording's
// own sample clock: sample 0 was heard at the lower envelope of (a chunk's arrival - the frames
// received up to its end / rate), and sample i at that + i / rate. (A chunk's arrival alone is
// late by up to a chunk.) The envelope is taken over the 4 s around each onset rather than the
// whole recording: a null sink's clock may run a few hundred ppm off the system's, which over
// a long recording would move every onset by milliseconds. The same measure serves every bell.
class MonitorRecorder {
public:
    explicit MonitorRecorder(const std::string& sink) {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = spawn({"parec", "-d", sink + ".monitor", "--raw", "--format=s16le", "--rate=44100",
                       "--channels=2", "--latency-msec=5"},
                      fds[1]);
        ::close(fds[1]);
        m_fd = fds[0];
        m_reader = std::thread([this] { read(); });
    }
    ~MonitorRecorder() {
        if (m_pid > 0)
            ::kill(m_pid, SIGTERM);
        if (m_reader.joinable())
            m_reader.join();
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
    }

    // When the first loud sample (above -40 dBFS) after silence was heard, between `from` and `until`.
    std::optional<WallTime> firstLoudAfter(WallTime from, WallTime until) {
        std::lock_guard lock(m_mutex);
        const auto atFrame = [this](long long frame) {
            return m_sampleZero + duration_cast<system_clock::duration>(
                                      duration<double>(static_cast<double>(frame) / kRate));
        };
        for (const long long onset : m_onsets) {
            const WallTime heard = atFrame(onset);
            if (heard < from || heard > until)
                continue;
            // The envelope near the onset.
            std::optional<WallTime> zero;
            for (const auto& [arrived, received] : m_chunks)
                if (arrived > heard - kEnvelopeSpan && arrived < heard + kEnvelopeSpan) {
                    const WallTime candidate =
                        arrived - duration_cast<system_clock::duration>(
                                      duration<double>(static_cast<double>(received) / kRate));
                    if (!zero || candidate < *zero)
                        zero = candidate;
                }
            return zero ? *zero + (atFrame(onset) - m_sampleZero) : heard;
        }
        return std::nullopt;
    }

private:
    void read() {
        std::vector<std::int16_t> buffer(4096);
        std::size_t pendingBytes = 0;
        long long received = 0;
        long long lastLoud = -kRate;
        for (;;) {
            const ssize_t n = ::read(m_fd, reinterpret_cast<char*>(buffer.data()) + pendingBytes,
                                     buffer.size() * 2 - pendingBytes);
            if (n <= 0)
                break;
            const WallTime arrived = system_clock::now();
            const std::size_t bytes = pendingBytes + static_cast<std::size_t>(n);
            const long long frames = static_cast<long long>(bytes / 4);
            std::vector<long long> onsets;
            for (long long f = 0; f < frames; ++f) {
                const auto at = static_cast<std::size_t>(f * 2);
                if (std::abs(buffer[at]) <= kLoud && std::abs(buffer[at + 1]) <= kLoud)
                    continue;
                if (received + f - lastLoud > kRate / 2) // after half a second of quiet
                    onsets.push_back(received + f);
                lastLoud = received + f;
            }
            received += frames;
            const WallTime zero = arrived - duration_cast<system_clock::duration>(
                                                duration<double>(static_cast<double>(received) / kRate));
            {
                std::lock_guard lock(m_mutex);
                m_chunks.emplace_back(arrived, received);
                m_onsets.insert(m_onsets.end(), onsets.begin(), onsets.end());
                if (m_sampleZero == WallTime{} || zero < m_sampleZero)
                    m_sampleZero = zero;
            }
            pendingBytes = bytes % 4;
            if (pendingBytes)
                std::memmove(buffer.data(), reinterpret_cast<char*>(buffer.data()) + bytes - pendingBytes,
                             pendingBytes);
        }
        ::close(m_fd);
    }

    pid_t m_pid = -1;
    int m_fd = -1;
    std::thread m_reader;
    std::mutex m_mutex;
    static constexpr seconds kEnvelopeSpan{2};
    WallTime m_sampleZero; // over the whole recording: only finds the onsets near an instant
    std::vector<std::pair<WallTime, long long>> m_chunks; // arrival, frames received by its end
    std::vector<long long> m_onsets;
};

} // namespace ringvale::bench
