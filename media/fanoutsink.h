#pragma once

#include "media/audiosink.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace ringvale {

// One sound on several outputs at once (a bell's zones). An output that cannot be opened is
// left out and named; when none can, the sound goes to the default output instead.
class FanOutSink final : public AudioSink {
public:
    // `outputs`: each output's name and its sink (none: the server has no such output).
    FanOutSink(std::vector<std::pair<std::string, AudioSink*>> outputs, AudioSink& fallback);

    AudioFormat format() const override { return m_fallback.format(); }
    bool begin() override;
    void prepare() override { begin(); }
    bool write(const std::int16_t* samples, std::size_t frames, const std::atomic<bool>& cancelled) override;
    bool writeAt(const std::int16_t* samples, std::size_t frames, WallTime heardAt,
                 const std::atomic<bool>& cancelled) override;
    void discard() override;
    // The outputs it plays on, and any it could not: "pulseaudio a+pulseaudio b (output c missing)".
    std::string deviceName() const override;
    std::string lastError() const override;

private:
    std::vector<AudioSink*> active() const;

    const std::vector<std::pair<std::string, AudioSink*>> m_outputs;
    AudioSink& m_fallback;
    mutable std::mutex m_mutex;
    std::vector<AudioSink*> m_active;
    std::vector<std::string> m_missing;
    bool m_onFallback = false;
};

} // namespace ringvale
