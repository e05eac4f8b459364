#pragma once

// An audio sink that records what it is handed as runs of equal sample magnitude, so a test can
// check exact frame counts and the order of files without keeping the samples.

#include "media/audiosink.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace ringvale::testing {

class RecordingSink : public AudioSink {
public:
    struct Span {
        int magnitude;
        std::size_t frames;
        bool operator==(const Span&) const = default;
    };

    // capacityFrames: once this many frames were handed over, write blocks (like a full device)
    // until the playback is cancelled. 0 = never blocks.
    explicit RecordingSink(std::size_t capacityFrames = 0) : m_capacity(capacityFrames) {}

    AudioFormat format() const override { return {}; }
    bool begin() override {
        std::lock_guard lock(m_mutex);
        ++m_begins;
        return m_available;
    }
    bool write(const std::int16_t* samples, std::size_t frames, const std::atomic<bool>& cancelled) override {
        for (std::size_t i = 0; i < frames; ++i) {
            for (;;) {
                if (cancelled)
                    return false;
                std::unique_lock lock(m_mutex);
                if (m_capacity == 0 || m_total < m_capacity) {
                    record(std::abs(static_cast<int>(samples[i * 2])));
                    break;
                }
                m_changed.wait_for(lock, std::chrono::milliseconds(1));
            }
        }
        return !cancelled;
    }
    // Hands the frames over at once, noting when they were to be heard.
    bool writeAt(const std::int16_t* samples, std::size_t frames, WallTime heardAt,
                 const std::atomic<bool>& cancelled) override {
        {
            std::lock_guard lock(m_mutex);
            m_placed.push_back(heardAt);
        }
        return write(samples, frames, cancelled);
    }
    std::vector<WallTime> placed() const {
        std::lock_guard lock(m_mutex);
        return m_placed;
    }
    void discard() override {
        std::lock_guard lock(m_mutex);
        ++m_discards;
    }

    void setAvailable(bool available) { m_available = available; }
    std::vector<Span> runs() const {
        std::lock_guard lock(m_mutex);
        return m_runs;
    }
    std::size_t totalFrames() const {
        std::lock_guard lock(m_mutex);
        return m_total;
    }
    int discards() const {
        std::lock_guard lock(m_mutex);
        return m_discards;
    }
    // Waits until at least `frames` frames arrived; false on time-out.
    bool waitForFrames(std::size_t frames,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10)) const {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (totalFrames() < frames) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

private:
    void record(int magnitude) {
        if (!m_runs.empty() && m_runs.back().magnitude == magnitude)
            ++m_runs.back().frames;
        else
            m_runs.push_back({magnitude, 1});
        ++m_total;
        m_changed.notify_all();
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Span> m_runs;
    std::vector<WallTime> m_placed;
    std::size_t m_total = 0;
    std::size_t m_capacity;
    int m_begins = 0;
    int m_discards = 0;
    bool m_available = true;
};

} // namespace ringvale::testing
