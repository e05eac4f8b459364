#include "media/soundoutput.h"

#include "media/pulseaudiosink.h"
#include "media/sdlaudiosink.h"

#include <cstdlib>
#include <string_view>

namespace ringvale {

std::unique_ptr<AudioSink> makeSoundOutput() {
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    const std::string_view named = driver ? driver : "";
    const bool serverAllowed = named.empty() || named == "pulseaudio" || named == "pipewire";
    if (serverAllowed && PulseAudioSink::serverAvailable())
        return std::make_unique<PulseAudioSink>();
    return std::make_unique<SdlAudioSink>();
}

} // namespace ringvale
