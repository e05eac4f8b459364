#pragma once

#include "audiosink.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace ringvale {

// The default sound device through SDL2's audio subsystem. The device is opened on the first
// playback and kept open, since closing and reopening it costs tens of milliseconds; between
// playbacks it plays silence. Set SDL_AUDIODRIVER to choose a driver (tests use "disk").
class SdlAudioSink final : public AudioSink {
public:
    SdlAudioSink();
    ~SdlAudioSink() override;
    SdlAudioSink(const SdlAudioSink&) = delete;
    SdlAudioSink& operator=(const SdlAudioSink&) = delete;

    AudioFormat format() const override { return m_format; }
    bool begin() override;
    bool write(const std::int16_t* samples, std::size_t frames, const std::atomic<bool>& cancelled) override;
    void discard() override;

    // Waits until the device has taken every queued sample (for tests and benchmarks).
    bool waitUntilDrained(std::chrono::milliseconds timeout);
    // Closes the device; the next playback opens it again.
    void close();

private:
    std::uint32_t queuedBytes() const;

    AudioFormat m_format;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // a discard wakes a writer waiting for room
    std::uint32_t m_device = 0;
    bool m_subsystemUp = false;
};

} // namespace ringvale
