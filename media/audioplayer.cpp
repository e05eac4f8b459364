#include "audioplayer.h"

#include <algorithm>

namespace ringvale {

AudioPlayer::AudioPlayer(AudioSink& sink) : m_sink(sink) {}

AudioPlayer::~AudioPlayer() {
    stopAll();
}

void AudioPlayer::playList(std::int32_t count, std::vector<std::string> files) {
    RemovePlayer(m_current);
    if (count == 0)
        return;
    const std::int32_t passes = count < 0 ? 0 : count;
    std::erase_if(files, [](const std::string& path) { return path.empty(); });
    if (files.empty())
        return;
    m_current = CreatePlayer(m_sink, std::move(files), passes);
    NewPlay(*m_current);
}

void AudioPlayer::stopAll() {
    RemovePlayer(m_current);
    m_sink.discard();
}

bool AudioPlayer::isSounding() const {
    return m_current && m_current->isActive();
}

} // namespace ringvale
