#pragma once

#include "media/audiosink.h"

#include <memory>

namespace ringvale {

// The program's sound output: the sound server (PulseAudio or PipeWire) through libpulse when
// one answers, which places each bell on the beat; otherwise SDL's driver. A driver named in
// SDL_AUDIODRIVER other than "pulseaudio" or "pipewire" is always taken through SDL (tests use
// "disk" or "dummy", so they never reach a sound server).
std::unique_ptr<AudioSink> makeSoundOutput();

} // namespace ringvale
