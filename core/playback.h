#pragma once

#include <cstdint>
#include <string>

namespace ringvale {

// What the scheduler needs of the sound output: one playback at a time.
class Playback {
public:
    virtual ~Playback() = default;
    // Ends what plays, then plays the file `count` times (0 only silences, < 0 without end).
    virtual void playFile(std::int32_t count, const std::string& path) = 0;
    // Ends every playback; when it returns nothing sounds any more.
    virtual void stopAll() = 0;
    // A bell is due within seconds: get the output ready now, so the bell does not wait for it.
    virtual void prepare() = 0;
};

} // namespace ringvale
