#pragma once

#include "media/audiosink.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace ringvale {

// The default sound device through SDL2's audio subsystem. An open device costs CPU even while
// it plays silence (about 1 % of a core on PulseAudio), and opening it costs milliseconds; so it
// is opened ahead of a bell (prepare) or at a playback, kept open while sound is handed over,
// and closed once it has been idle for a while. Set SDL_AUDIODRIVER to choose a driver (tests
// use "disk").
class SdlAudioSink final : public AudioSink {
public:
    static constexpr std::chrono::seconds kDefaultIdleClose{20};

    explicit SdlAudioSink(std::chrono::milliseconds idleClose = kDefaultIdleClose);
    ~SdlAudioSink() override;
    SdlAudioSink(const SdlAudioSink&) = delete;
    SdlAudioSink& operator=(const SdlAudioSink&) = delete;

    AudioFormat format() const override { return m_format; }
    bool begin() override;
    void prepare() override;
    bool write(const std::int16_t* samples, std::size_t frames, const std::atomic<bool>& cancelled) override;
    void discard() override;
    std::string deviceName() const override;
    std::string lastError() const override;

    bool isOpen() const;

    // Waits until the device has taken every queued sample (for tests and benchmarks).
    bool waitUntilDrained(std::chrono::milliseconds timeout);
    // Closes the device; the next playback opens it again.
    void close();

private:
    std::uint32_t queuedBytes() const;
    bool openLocked();
    void closeLocked();
    // Closes the device once nothing was handed over for m_idleClose and the queue is empty.
    void closeWhenIdle();

    AudioFormat m_format;
    const std::chrono::milliseconds m_idleClose;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;     // a discard wakes a writer waiting for room
    std::condition_variable m_activity; // wakes the idle closer
    std::chrono::steady_clock::time_point m_lastActivity;
    std::uint32_t m_device = 0;
    bool m_subsystemUp = false;
    bool m_ending = false;
    std::string m_deviceName = "sound output"; // SDL's driver once the device opened
    std::string m_lastError;                   // SDL's reason when it last would not open
    std::thread m_closer;
};

} // namespace ringvale
