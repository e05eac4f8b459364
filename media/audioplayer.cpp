#include "media/audioplayer.h"

#include <algorithm>

namespace ringvale {

AudioPlayer::AudioPlayer(AudioSink& sink, OutputRetry retry)
    : m_sink(std::make_shared<SinkGate>(sink)), m_leftBehind(std::make_shared<LeftBehindWorkers>()),
      m_retry(retry) {}

AudioPlayer::~AudioPlayer() {
    stopAll();
    m_sink->close(); // a worker still running reaches the sink no more
}

PlayId AudioPlayer::playList(std::int32_t count, std::vector<std::string> files) {
    const PlayId id = ++m_lastId;
    m_current.reset(); // stops what plays
    if (count == 0)
        return id;
    const std::int32_t passes = count < 0 ? 0 : count;
    std::erase_if(files, [](const std::string& path) { return path.empty(); });
    if (files.empty())
        return id;
    m_current =
        std::make_unique<Player>(m_sink, std::move(files), passes, m_leftBehind, id, m_reporter, m_retry);
    m_current->start();
    return id;
}

void AudioPlayer::stopAll() {
    m_current.reset();
    m_sink->discard();
}

bool AudioPlayer::isSounding() const {
    return m_current && m_current->isActive();
}

} // namespace ringvale
