#pragma once

#include "media/audiosink.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <thread>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

namespace ringvale {

// One output of a PulseAudio (or PipeWire) sound server, reached with libpulse. The stream is
// opened ahead of a bell or at a playback and closed once idle, like the SDL output; while open
// it is fed silence between sounds, so the server's reported latency says exactly when the next
// frame handed over is heard, and a bell can be placed on the beat.
class PulseAudioSink final : public AudioSink {
public:
    static constexpr std::chrono::seconds kDefaultIdleClose{20};

    // `sinkName` empty: the server's default output. Never starts a server of its own.
    explicit PulseAudioSink(std::string sinkName = {},
                            std::chrono::milliseconds idleClose = kDefaultIdleClose);
    ~PulseAudioSink() override;
    PulseAudioSink(const PulseAudioSink&) = delete;
    PulseAudioSink& operator=(const PulseAudioSink&) = delete;

    // True when a sound server answers (checked once, at no cost to the server).
    static bool serverAvailable();

    AudioFormat format() const override { return {}; }
    bool begin() override;
    void prepare() override { begin(); }
    bool write(const std::int16_t* samples, std::size_t frames, const std::atomic<bool>& cancelled) override;
    bool writeAt(const std::int16_t* samples, std::size_t frames, WallTime heardAt,
                 const std::atomic<bool>& cancelled) override;
    void discard() override;
    std::string deviceName() const override;
    std::string lastError() const override;

    bool isOpen() const;
    // How long until a frame handed over now is heard (none while closed).
    std::chrono::microseconds latency() const;
    void close();

private:
    struct Server;
    std::unique_ptr<Server> m_server;
    std::thread m_closer;
};

} // namespace ringvale
