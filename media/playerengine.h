#pragma once

// The player engine behind AudioPlayer: a player owns a play list, a pass count and a worker
// thread that decodes the current file and hands it to the sink.

#include "core/playback.h"
#include "media/audiosink.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <thread>
#include <vector>

namespace ringvale {

// The sink as the player's workers reach it. Once closed (the player is going away), no call
// reaches the sink any more, so a worker left running can never touch a sink that is gone;
// closing waits only for the calls in progress, which end promptly once playback is cancelled.
class SinkGate {
public:
    explicit SinkGate(AudioSink& sink) : m_sink(&sink) {}

    AudioFormat format() const;
    bool begin();
    void prepare();
    bool write(const std::int16_t* samples, std::size_t frames, const std::atomic<bool>& cancelled);
    bool writeAt(const std::int16_t* samples, std::size_t frames, WallTime heardAt,
                 const std::atomic<bool>& cancelled);
    void discard();
    std::string deviceName() const;
    std::string lastError() const;
    void close();

private:
    mutable std::shared_mutex m_mutex;
    AudioSink* m_sink;
};

// Workers that a stop left running and that have not ended yet (counted for tests).
class LeftBehindWorkers {
public:
    int count() const;

private:
    friend class Player;
    void take(std::thread worker, const std::shared_ptr<LeftBehindWorkers>& self);

    mutable std::mutex m_mutex;
    int m_count = 0;
};

// How long a player keeps trying an output that the sound server refuses (busy, restarting, or
// not up yet): again after a short wait, doubling up to the longest, until the deadline; only then
// is the playback failed, with every try's reason.
struct OutputRetry {
    std::chrono::milliseconds deadline{20000};
    std::chrono::milliseconds firstWait{50};
    std::chrono::milliseconds longestWait{1000};
};

// A player prepared ahead of its bell: its first sample is placed to be heard at `heardAt`, or,
// while another sound still plays (`hold`), handed over the moment it is taken over. It reports
// nothing until taken over.
struct PlayerArming {
    WallTime heardAt;
    bool hold = false;
};

// The gain in dB a file (GBK path) is played at, to bring it to the loudness of the others; none:
// its own level.
using GainLookup = std::function<std::optional<double>(const std::string& path)>;

class Player {
public:
    // How long stop() waits for the worker before leaving it to end on its own.
    static constexpr std::chrono::milliseconds kStopWait{20};

    // Told, from the worker, of the first samples handed to the sink or of why nothing sounded.
    using Reporter = std::function<void(const PlaybackReport&)>;

    // A player for the list (GBK paths, none empty) and pass count (> 0, or 0 for without end).
    // Its report, once per player, carries `id`.
    Player(std::shared_ptr<SinkGate> sink, std::vector<std::string> playList, std::int32_t passes,
           std::shared_ptr<LeftBehindWorkers> leftBehind, PlayId id = 0,
           std::shared_ptr<const Reporter> reporter = {}, OutputRetry retry = {},
           std::optional<PlayerArming> arming = {}, GainLookup gain = {});
    // Stops, as stop() does.
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Starts the worker: it opens the output (trying again while the server refuses) and plays
    // from the first file; nothing sounds when the output cannot be had by the deadline.
    void start();
    // Silences the player at once and ends its worker. A worker that does not end within
    // kStopWait (held up in the operating system, say on a file server that hangs) is left to
    // end on its own: it hands nothing more to the sink. True when the worker ended.
    bool stop();
    // Takes over a prepared player for the request `id`: it sounds and reports as that request.
    void commit(PlayId id);
    // Ends the worker like stop(), but leaves what is already handed to the output to play (a
    // prepared bell's first sound may be there).
    bool release();

    // True while the worker still decodes or hands over sound.
    bool isActive() const;

private:
    bool end(bool silence);
    struct Work;
    std::shared_ptr<Work> m_work;
    std::shared_ptr<LeftBehindWorkers> m_leftBehind;
    std::thread m_worker;
    bool m_ended = false; // stopped or released: going away takes nothing more from the output
};

} // namespace ringvale
