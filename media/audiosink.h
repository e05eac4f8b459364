#pragma once

#include "core/clock.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ringvale {

// Interleaved signed 16-bit samples at this rate and channel count.
struct AudioFormat {
    int sampleRate = 44100;
    int channels = 2;
};

// Where decoded sound goes: the sound device, or a recorder in tests.
class AudioSink {
public:
    virtual ~AudioSink() = default;
    virtual AudioFormat format() const = 0;
    // Makes the output ready for a new playback. False when there is no output to play to.
    virtual bool begin() = 0;
    // Makes the output ready ahead of a playback that is due soon; nothing plays.
    virtual void prepare() { begin(); }
    // Hands frames to the output, waiting while it already holds enough to play. Returns false
    // when `cancelled` became true while waiting, or when the output failed.
    virtual bool write(const std::int16_t* samples, std::size_t frames,
                       const std::atomic<bool>& cancelled) = 0;
    // Hands frames over so that the first is heard at `heardAt` (silence before it), waiting until
    // shortly before; frames due in the past are heard as soon as they can be. This output knows
    // not its own latency: it waits until `heardAt` and hands them over then.
    virtual bool writeAt(const std::int16_t* samples, std::size_t frames, WallTime heardAt,
                         const std::atomic<bool>& cancelled);
    // Drops everything handed over but not yet played: silence from now on. Callable from any thread.
    virtual void discard() = 0;
    // The output as the log names it ("pulseaudio", say).
    virtual std::string deviceName() const { return "sound output"; }
    // Why the last begin() failed.
    virtual std::string lastError() const { return {}; }
};

} // namespace ringvale
