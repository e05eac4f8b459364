#pragma once

#include "media/audiosink.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ringvale {

// The program's sound output: the sound server (PulseAudio or PipeWire) through libpulse when
// one answers, which places each bell on the beat; otherwise SDL's driver. A driver named in
// SDL_AUDIODRIVER other than "pulseaudio" or "pipewire" is always taken through SDL (tests use
// "disk" or "dummy", so they never reach a sound server).
std::unique_ptr<AudioSink> makeSoundOutput();

// Makes the sink of each named output (a bell's zone) of the server that `defaultOutput` plays
// to; none when it is not a sound server's, or for a name the server has no output of.
std::function<std::unique_ptr<AudioSink>(const std::string& name)>
namedOutputsBeside(const AudioSink& defaultOutput);
// Names every output of that server (none when it is not a sound server's).
std::function<std::vector<std::string>()> everyOutputBeside(const AudioSink& defaultOutput);

} // namespace ringvale
