#pragma once

#include "core/clock.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace ringvale {

// Listens to a sound server input (a microphone near a speaker, or an output's monitor) and
// tells, for each bell, whether anything rose above the room's level after its onset. The input
// is read on the listener's own thread; a bell never waits for it.
class BellListener {
public:
    // How long after its onset a bell must be heard.
    static constexpr std::chrono::seconds kHearingWindow{2};
    // How far above the room's level a bell must rise to count as heard.
    static constexpr double kAboveRoomDb = 10.0;

    struct Result {
        bool heard = false;
        bool listened = true;  // false: the input was not there to listen with
        double levelDb = -120; // the loudest 50 ms after the onset, dBFS
        double roomDb = -120;  // the room's level before it, dBFS
    };
    using Done = std::function<void(const Result& result)>;

    explicit BellListener(std::string source);
    ~BellListener();
    BellListener(const BellListener&) = delete;
    BellListener& operator=(const BellListener&) = delete;

    // Starts listening; false (and lastError()) when the input cannot be had. Never starts a
    // sound server.
    bool start();
    std::string lastError() const;
    const std::string& source() const { return m_source; }
    // Judges the sound from `onset` for kHearingWindow; `done` runs on the listener's thread, with
    // the listener's lock held, once the window has passed (at once, not heard, when the input is
    // gone): it hands the result on and must not wait for anything that calls the listener.
    void listenFor(WallTime onset, Done done);

private:
    struct Input;
    std::string m_source;
    std::unique_ptr<Input> m_input;
};

} // namespace ringvale
