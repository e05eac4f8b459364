#include "media/audioplayer.h"

#include "media/fanoutsink.h"

#include <algorithm>

namespace ringvale {

AudioPlayer::AudioPlayer(AudioSink& sink, OutputRetry retry)
    : m_defaultOutput(sink), m_sink(std::make_shared<SinkGate>(sink)),
      m_leftBehind(std::make_shared<LeftBehindWorkers>()), m_retry(retry) {}

AudioPlayer::~AudioPlayer() {
    stopAll();
    // A worker still running reaches no sink any more.
    m_sink->close();
    for (auto& [outputs, route] : m_routes)
        route.gate->close();
}

namespace {
// A request this near a prepared bell's time, for its file and count, is that bell.
constexpr auto kTakeOverWindow = std::chrono::seconds(2);
} // namespace

std::shared_ptr<SinkGate> AudioPlayer::routeOf(const RuleSound& sound) {
    if (sound.outputs.empty())
        return m_sink;
    Route& route = m_routes[sound.outputs];
    if (!route.gate) {
        std::vector<std::pair<std::string, AudioSink*>> outputs;
        for (const std::string& name : sound.outputs) {
            auto made = m_outputs.find(name);
            if (made == m_outputs.end())
                made = m_outputs.emplace(name, m_makeOutput ? m_makeOutput(name) : nullptr).first;
            outputs.emplace_back(name, made->second.get());
        }
        route.fanOut = std::make_unique<FanOutSink>(std::move(outputs), m_defaultOutput);
        route.gate = std::make_shared<SinkGate>(*route.fanOut);
    }
    return route.gate;
}

GainLookup AudioPlayer::gainWith(double extraDb) const {
    if (extraDb == 0)
        return m_gain;
    return [loudness = m_gain, extraDb](const std::string& path) -> std::optional<double> {
        return (loudness ? loudness(path).value_or(0) : 0) + extraDb;
    };
}

void AudioPlayer::prepareBell(std::int32_t count, const std::string& path, const RuleSound& sound,
                              WallTime due) {
    if (m_prepared && m_preparedCount == count && m_preparedPath == path && m_preparedSound == sound &&
        m_preparedDue == due)
        return;
    m_prepared.reset();
    if (count == 0 || path.empty()) {
        prepare();
        return;
    }
    // While something plays, the bell cannot be placed in the same output before that ends.
    const bool hold = isSounding();
    m_prepared = std::make_unique<Player>(routeOf(sound), std::vector<std::string>{path},
                                          count < 0 ? 0 : count, m_leftBehind, 0, m_reporter, m_retry,
                                          PlayerArming{due, hold}, gainWith(sound.gainDb));
    m_preparedCount = count;
    m_preparedPath = path;
    m_preparedSound = sound;
    m_preparedDue = due;
    m_preparedHold = hold;
    m_prepared->start();
}

PlayId AudioPlayer::playList(std::int32_t count, std::vector<std::string> files) {
    return start(count, std::move(files), RuleSound{});
}

PlayId AudioPlayer::playBell(std::int32_t count, const std::string& path, const RuleSound& sound) {
    return start(count, {path}, sound);
}

PlayId AudioPlayer::start(std::int32_t count, std::vector<std::string> files, const RuleSound& given) {
    const PlayId id = ++m_lastId;
    RuleSound sound = given;
    if (count < 0 && sound.outputs.empty() && m_everyOutput) {
        // An alarm is heard everywhere, whatever zones the bells keep to.
        std::vector<std::string> every = m_everyOutput();
        if (every.size() > 1)
            sound.outputs = std::move(every);
    }
    if (m_prepared && files.size() == 1 && files.front() == m_preparedPath && count == m_preparedCount &&
        sound == m_preparedSound) {
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
    m_current = std::make_unique<Player>(routeOf(sound), std::move(files), passes, m_leftBehind, id,
                                         m_reporter, m_retry, std::nullopt, gainWith(sound.gainDb));
    m_current->start();
    return id;
}

void AudioPlayer::stopAll() {
    m_prepared.reset(); // the bell then rings as its request comes
    m_current.reset();
    m_sink->discard();
    for (auto& [outputs, route] : m_routes)
        route.gate->discard();
}

bool AudioPlayer::isSounding() const {
    return m_current && m_current->isActive();
}

} // namespace ringvale
