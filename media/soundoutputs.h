#pragma once

#include <string>
#include <vector>

namespace ringvale {

// One output (sink) or input (source) of the sound server, as the editor and the console list it.
struct SoundDevice {
    std::string name;        // what a rule keeps
    std::string description; // what the operator reads ("Built-in Audio Analog Stereo")

    bool operator==(const SoundDevice&) const = default;
};

// The sound server's outputs, or its inputs (monitors of outputs included), in its order; none
// when no server answers (it is never started for this).
std::vector<SoundDevice> listSoundOutputs();
std::vector<SoundDevice> listSoundInputs();

} // namespace ringvale
