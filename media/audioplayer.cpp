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

namespace {
// A request this near a prepared bell's time, for its file and count, is that bell.
constexpr auto kTakeOverWindow = std::chrono::seconds(2);
} // namespace

void AudioPlayer::prepareBell(std::int32_t count, const std::string& path, WallTime due) {
    if (m_prepared && m_preparedCount == count && m_preparedPath == path && m_preparedDue == due)
        return;
    m_prepared.reset();
    if (count == 0 || path.empty()) {
        prepare();
        return;
    }
    // While something plays, the bell cannot be placed in the same output before that ends.
    const bool hold = isSounding();
    m_prepared =
        std::make_unique<Player>(m_sink, std::vector<std::string>{path}, count < 0 ? 0 : count, m_leftBehind,
                                 0, m_reporter, m_retry, PlayerArming{due, hold}, m_gain);
    m_preparedCount = count;
    m_preparedPath = path;
    m_preparedDue = due;
    m_preparedHold = hold;
    m_prepared->start();
}

PlayId AudioPlayer::playList(std::int32_t count, std::vector<std::string> files) {
    const PlayId id = ++m_lastId;
    if (m_prepared && files.size() == 1 && files.front() == m_preparedPath && count == m_preparedCount) {
        const auto now = std::chrono::system_clock::now();
        if (now > m_preparedDue - kTakeOverWindow && now < m_preparedDue + kTakeOverWindow) {
            // What played before ends. A bell placed on the beat already waits in the output and
            // stays; one held back starts as the output falls silent.
            if (m_current && m_preparedHold)
                m_current->stop();
            else if (m_current)
                m_current->release();
            m_current = std::move(m_prepared);
            m_current->commit(id);
            return id;
        }
    }
    m_prepared.reset();
    m_current.reset(); // stops what plays
    if (count == 0)
        return id;
    const std::int32_t passes = count < 0 ? 0 : count;
    std::erase_if(files, [](const std::string& path) { return path.empty(); });
    if (files.empty())
        return id;
    m_current = std::make_unique<Player>(m_sink, std::move(files), passes, m_leftBehind, id, m_reporter,
                                         m_retry, std::nullopt, m_gain);
    m_current->start();
    return id;
}

void AudioPlayer::stopAll() {
    m_prepared.reset(); // the bell then rings as its request comes
    m_current.reset();
    m_sink->discard();
}

bool AudioPlayer::isSounding() const {
    return m_current && m_current->isActive();
}

} // namespace ringvale
