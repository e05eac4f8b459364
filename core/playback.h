#pragma once

#include "core/belllog.h"
#include "core/clock.h"
#include "core/playrule.h"

#include <cstdint>
#include <string>

namespace ringvale {

// What the scheduler needs of the sound output: one playback at a time.
class Playback {
public:
    virtual ~Playback() = default;
    // Ends what plays, then plays the file `count` times (0 only silences, < 0 without end).
    // The id names this request in the player's report about it.
    virtual PlayId playFile(std::int32_t count, const std::string& path) = 0;
    // A bell: as playFile(), on the rule's outputs and with its gain (an output that cannot take
    // it leaves the bell to the default output).
    virtual PlayId playBell(std::int32_t count, const std::string& path, const RuleSound& sound) {
        (void)sound;
        return playFile(count, path);
    }
    // Ends every playback; when it returns nothing sounds any more.
    virtual void stopAll() = 0;
    // A bell is due within seconds: get the output ready now, so the bell does not wait for it.
    virtual void prepare() = 0;
    // The bell due at `due` will play the file (GBK) `count` times: decode it and place its first
    // sample to be heard at `due`. It sounds only as the playFile() that follows takes it over (a
    // stop in between leaves it, as it would not stop the bell); cancelPrepared() drops it.
    virtual void prepareBell(std::int32_t count, const std::string& path, const RuleSound& sound,
                             WallTime due) {
        (void)count;
        (void)path;
        (void)sound;
        (void)due;
        prepare();
    }
    // Drops a bell prepared and not taken over by a playFile().
    virtual void cancelPrepared() {}
    // The file a rule's path (GBK) plays from; the path itself unless the output keeps its music
    // elsewhere.
    virtual std::string locate(const std::string& path) const { return path; }
};

// What became of a playback request: its first samples were handed to the sound device, or
// nothing sounded and why.
struct PlaybackReport {
    enum class Kind { Sounding, Failed };
    PlayId id = 0;
    Kind kind = Kind::Sounding;
    WallTime at;        // when the first samples were handed over, or the failure was found
    std::string detail; // the device (Sounding) or the reason (Failed), UTF-8
};

} // namespace ringvale
