#pragma once

#include "core/playback.h"
#include "media/audiosink.h"
#include "media/playerengine.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace ringvale {

// Plays music files through the sound output, one playback at a time. Every request first ends
// whatever plays; playback runs on the player's own worker, so the calls return at once.
// Called from the user-interface thread.
class AudioPlayer final : public Playback {
public:
    explicit AudioPlayer(AudioSink& sink, OutputRetry retry = {});
    ~AudioPlayer() override;
    AudioPlayer(const AudioPlayer&) = delete;
    AudioPlayer& operator=(const AudioPlayer&) = delete;

    // Plays the files `count` times in a row: 0 only silences, a negative count repeats without
    // end. Empty paths are skipped.
    PlayId playList(std::int32_t count, std::vector<std::string> files);
    void stopAll() override;
    PlayId playFile(std::int32_t count, const std::string& path) override { return playList(count, {path}); }
    PlayId playBell(std::int32_t count, const std::string& path, const RuleSound& sound) override;
    // Makes the sink of a named output (none: there is no such output). Set before the first
    // request; without it every bell plays on the default output.
    using OutputFactory = std::function<std::unique_ptr<AudioSink>(const std::string& name)>;
    void setOutputs(OutputFactory factory) { m_makeOutput = std::move(factory); }
    // Names every output there is: an alarm (a count below 0) sounds on all of them.
    void setEveryOutput(std::function<std::vector<std::string>()> list) { m_everyOutput = std::move(list); }
    // Told, from the player's worker, of each request's first samples or of why nothing sounded.
    // Set before the first request.
    void setReporter(Player::Reporter reporter) {
        m_reporter = std::make_shared<const Player::Reporter>(std::move(reporter));
    }
    // Every file played from now on is brought to one loudness by `gain` (none: its own level).
    void setGain(GainLookup gain) { m_gain = std::move(gain); }
    void prepare() override { m_sink->prepare(); }
    void prepareBell(std::int32_t count, const std::string& path, const RuleSound& sound,
                     WallTime due) override;
    void cancelPrepared() override { m_prepared.reset(); }

    // True while the current player still decodes or hands over sound (for tests and benchmarks).
    bool isSounding() const;
    // Workers that a stop left running because they did not end in time (for tests).
    int leftBehindWorkers() const { return m_leftBehind->count(); }

private:
    // Where a sound goes: the default output, or a fan-out over its outputs (made once per set).
    struct Route {
        std::unique_ptr<AudioSink> fanOut;
        std::shared_ptr<SinkGate> gate;
    };
    std::shared_ptr<SinkGate> routeOf(const RuleSound& sound);
    GainLookup gainWith(double extraDb) const;
    PlayId start(std::int32_t count, std::vector<std::string> files, const RuleSound& sound);

    AudioSink& m_defaultOutput;
    OutputFactory m_makeOutput;
    std::function<std::vector<std::string>()> m_everyOutput;
    std::map<std::string, std::unique_ptr<AudioSink>> m_outputs; // by name; none: no such output
    std::map<std::vector<std::string>, Route> m_routes;
    std::shared_ptr<SinkGate> m_sink;
    std::shared_ptr<LeftBehindWorkers> m_leftBehind;
    std::unique_ptr<Player> m_current;
    // The bell prepared ahead, until a request takes it over.
    std::unique_ptr<Player> m_prepared;
    std::int32_t m_preparedCount = 0;
    std::string m_preparedPath;
    RuleSound m_preparedSound;
    WallTime m_preparedDue;
    bool m_preparedHold = false;
    std::shared_ptr<const Player::Reporter> m_reporter;
    PlayId m_lastId = 0;
    OutputRetry m_retry;
    GainLookup m_gain;
};

} // namespace ringvale
