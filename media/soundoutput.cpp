#include "media/soundoutput.h"

#include "media/pulseaudiosink.h"
#include "media/sdlaudiosink.h"
#include "media/soundoutputs.h"

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

std::function<std::vector<std::string>()> everyOutputBeside(const AudioSink& defaultOutput) {
    const bool onServer = dynamic_cast<const PulseAudioSink*>(&defaultOutput) != nullptr;
    return [onServer] {
        std::vector<std::string> names;
        if (onServer)
            for (const SoundDevice& output : listSoundOutputs())
                names.push_back(output.name);
        return names;
    };
}

std::function<std::unique_ptr<AudioSink>(const std::string& name)>
namedOutputsBeside(const AudioSink& defaultOutput) {
    const bool onServer = dynamic_cast<const PulseAudioSink*>(&defaultOutput) != nullptr;
    return [onServer](const std::string& name) -> std::unique_ptr<AudioSink> {
        if (!onServer)
            return nullptr;
        return std::make_unique<PulseAudioSink>(name);
    };
}

} // namespace ringvale
