#include "media/playerengine.h"

#include "core/codepage.h"
#include "media/audiodecoder.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <mutex>

namespace ringvale {

AudioFormat SinkGate::format() const {
    std::shared_lock lock(m_mutex);
    return m_sink ? m_sink->format() : AudioFormat{};
}

bool SinkGate::begin() {
    std::shared_lock lock(m_mutex);
    return m_sink && m_sink->begin();
}

void SinkGate::prepare() {
    std::shared_lock lock(m_mutex);
    if (m_sink)
        m_sink->prepare();
}

bool SinkGate::writeAt(const std::int16_t* samples, std::size_t frames, WallTime heardAt,
                       const std::atomic<bool>& cancelled) {
    std::shared_lock lock(m_mutex);
    return m_sink && m_sink->writeAt(samples, frames, heardAt, cancelled);
}

bool SinkGate::write(const std::int16_t* samples, std::size_t frames, const std::atomic<bool>& cancelled) {
    std::shared_lock lock(m_mutex);
    return m_sink && m_sink->write(samples, frames, cancelled);
}

void SinkGate::discard() {
    std::shared_lock lock(m_mutex);
    if (m_sink)
        m_sink->discard();
}

std::string SinkGate::deviceName() const {
    std::shared_lock lock(m_mutex);
    return m_sink ? m_sink->deviceName() : std::string();
}

std::string SinkGate::lastError() const {
    std::shared_lock lock(m_mutex);
    return m_sink ? m_sink->lastError() : std::string();
}

void SinkGate::close() {
    std::unique_lock lock(m_mutex);
    m_sink = nullptr;
}

int LeftBehindWorkers::count() const {
    std::lock_guard lock(m_mutex);
    return m_count;
}

void LeftBehindWorkers::take(std::thread worker, const std::shared_ptr<LeftBehindWorkers>& self) {
    {
        std::lock_guard lock(m_mutex);
        ++m_count;
    }
    std::thread([worker = std::move(worker), self]() mutable {
        worker.join();
        std::lock_guard lock(self->m_mutex);
        --self->m_count;
    }).detach();
}

// What the worker uses; shared with the worker so that one left behind never outlives it.
struct Player::Work {
    Work(std::shared_ptr<SinkGate> s, std::vector<std::string> list, std::int32_t passes, PlayId playId,
         std::shared_ptr<const Reporter> playReporter, OutputRetry outputRetry,
         std::optional<PlayerArming> arm, GainLookup gainLookup)
        : sink(std::move(s)), playList(std::move(list)), remainingPasses(passes), id(playId),
          reporter(std::move(playReporter)), retry(outputRetry), arming(arm), gain(std::move(gainLookup)),
          committed(!arm) {}

    // Opens the output, again and again while the sound server refuses, until the deadline.
    bool openOutput() {
        const auto deadline = std::chrono::steady_clock::now() + retry.deadline;
        auto wait = retry.firstWait;
        while (!cancelled) {
            if (sink->begin())
                return true;
            failedTries.push_back(sink->lastError());
            if (std::chrono::steady_clock::now() + wait > deadline)
                break;
            std::unique_lock lock(mutex);
            if (wake.wait_for(lock, wait, [this] { return cancelled.load(); }))
                return false;
            wait = std::min(wait * 2, retry.longestWait);
        }
        report(PlaybackReport::Kind::Failed, "no sound device: " + triesText());
        return false;
    }

    // Every failed try's reason, alike ones counted together.
    std::string triesText() const {
        std::vector<std::pair<std::string, int>> reasons;
        for (const std::string& reason : failedTries) {
            if (!reasons.empty() && reasons.back().first == reason)
                ++reasons.back().second;
            else
                reasons.emplace_back(reason, 1);
        }
        std::string text;
        for (const auto& [reason, times] : reasons)
            text += (text.empty() ? "" : "; ") + reason +
                    (times > 1 ? " (" + std::to_string(times) + " tries)" : "");
        return text;
    }

    // The one report of this player; later ones and those after a stop are dropped. A prepared
    // player keeps it until it is taken over.
    void report(PlaybackReport::Kind kind, std::string detail,
                WallTime at = std::chrono::system_clock::now()) {
        PlaybackReport said{0, kind, at, std::move(detail)};
        {
            std::lock_guard lock(mutex);
            if (reported || cancelled || !reporter || !*reporter)
                return;
            if (!committed) {
                if (!kept)
                    kept = std::move(said);
                return;
            }
            reported = true;
            said.id = id;
        }
        (*reporter)(said);
    }

    void commit(PlayId playId) {
        std::optional<PlaybackReport> said;
        {
            std::lock_guard lock(mutex);
            id = playId;
            committed = true;
            if (kept && !reported && !cancelled && reporter && *reporter) {
                reported = true;
                said = std::move(kept);
                said->id = id;
            }
        }
        wake.notify_all();
        if (said)
            (*reporter)(*said);
    }

    // A prepared player waits to be taken over; false when it was dropped instead, or nobody
    // took it over long after its time.
    bool waitToBeTakenOver() {
        std::unique_lock lock(mutex);
        return wake.wait_until(lock, arming->heardAt + kUnclaimedAfter, [this] {
            return committed || cancelled.load();
        }) && !cancelled;
    }

    bool abandoned() {
        if (!arming || std::chrono::system_clock::now() < arming->heardAt + kUnclaimedAfter)
            return false;
        std::lock_guard lock(mutex);
        return !committed;
    }

    void run() {
        for (;;) {
            for (const std::string& path : playList) {
                if (cancelled || !playFile(path))
                    return;
            }
            if (remainingPasses > 0 && --remainingPasses == 0)
                return;
        }
    }

    // Plays one file to its end; false when it could not be played or playback was cancelled.
    bool playFile(const std::string& path) {
        AudioDecoder decoder;
        if (!decoder.open(toFileName(path), sink->format(), &cancelled)) {
            report(PlaybackReport::Kind::Failed, decoder.error());
            return false;
        }
        const std::optional<double> gainDb = gain ? gain(path) : std::nullopt;
        const double factor = gainDb ? std::pow(10.0, *gainDb / 20.0) : 1.0;
        std::vector<std::int16_t> samples;
        std::size_t total = 0;
        while (!cancelled && !abandoned()) {
            const std::size_t frames = decoder.decode(samples);
            if (frames == 0)
                break;
            if (factor != 1.0)
                for (std::int16_t& sample : samples)
                    sample =
                        static_cast<std::int16_t>(std::clamp(std::lround(sample * factor), -32768L, 32767L));
            total += frames;
            if (placing) {
                placing = false;
                if (arming->hold ? !waitToBeTakenOver()
                                 : !sink->writeAt(samples.data(), frames, arming->heardAt, cancelled))
                    return false;
                if (arming->hold && !sink->write(samples.data(), frames, cancelled))
                    return false;
                soundingSaid = true;
                report(PlaybackReport::Kind::Sounding, sink->deviceName(),
                       std::max(std::chrono::system_clock::now(), arming->heardAt));
                continue;
            }
            const WallTime handed = std::chrono::system_clock::now();
            if (!sink->write(samples.data(), frames, cancelled))
                return false;
            if (!soundingSaid) {
                soundingSaid = true;
                report(PlaybackReport::Kind::Sounding,
                       failedTries.empty()
                           ? sink->deviceName()
                           : sink->deviceName() + " (opened after " + std::to_string(failedTries.size()) +
                                 " failed tries: " + triesText() + ")",
                       handed);
            }
        }
        // A file that gives no sound at all counts as undecodable: the player falls silent
        // rather than spinning over it pass after pass.
        if (total == 0)
            report(PlaybackReport::Kind::Failed, "cannot be decoded: the file holds no sound");
        return total > 0 && !cancelled;
    }

    void finish() {
        std::lock_guard lock(mutex);
        active = false;
        finished.notify_all();
    }

    // A prepared player nobody took over by then ends on its own.
    static constexpr std::chrono::seconds kUnclaimedAfter{3};

    const std::shared_ptr<SinkGate> sink;
    const std::vector<std::string> playList;
    std::int32_t remainingPasses; // 0 = without end
    PlayId id;                    // under the mutex, as `committed`, `kept` and `reported`
    const std::shared_ptr<const Reporter> reporter;
    const OutputRetry retry;
    const std::optional<PlayerArming> arming;
    const GainLookup gain;
    bool placing = arming.has_value(); // the worker's only: the first sound is still to be placed
    bool soundingSaid = false;         // the worker's only
    bool committed;
    std::optional<PlaybackReport> kept;
    std::vector<std::string> failedTries; // the worker's only
    bool reported = false;
    std::atomic<bool> cancelled{false};
    mutable std::mutex mutex;
    std::condition_variable finished;
    std::condition_variable wake; // a stop during a wait between tries
    bool active = false;
};

Player::Player(std::shared_ptr<SinkGate> sink, std::vector<std::string> playList, std::int32_t passes,
               std::shared_ptr<LeftBehindWorkers> leftBehind, PlayId id,
               std::shared_ptr<const Reporter> reporter, OutputRetry retry,
               std::optional<PlayerArming> arming, GainLookup gain)
    : m_work(std::make_shared<Work>(std::move(sink), std::move(playList), passes, id, std::move(reporter),
                                    retry, arming, std::move(gain))),
      m_leftBehind(std::move(leftBehind)) {}

Player::~Player() {
    if (!m_ended)
        stop();
}

void Player::start() {
    if (m_worker.joinable() || m_work->cancelled)
        return;
    {
        std::lock_guard lock(m_work->mutex);
        m_work->active = true;
    }
    m_worker = std::thread([work = m_work] {
        if (work->openOutput())
            work->run();
        work->finish();
    });
}

bool Player::stop() {
    return end(true);
}

bool Player::release() {
    return end(false);
}

void Player::commit(PlayId id) {
    m_work->commit(id);
}

bool Player::end(bool silence) {
    m_ended = true;
    {
        std::lock_guard lock(m_work->mutex);
        m_work->cancelled = true;
    }
    m_work->wake.notify_all();
    if (silence)
        m_work->sink->discard();
    if (!m_worker.joinable())
        return true;
    bool ended = false;
    {
        std::unique_lock lock(m_work->mutex);
        ended = m_work->finished.wait_for(lock, kStopWait, [this] { return !m_work->active; });
    }
    if (ended) {
        m_worker.join();
        // The worker may have handed over one last chunk between the first discard and its end.
        if (silence)
            m_work->sink->discard();
        return true;
    }
    m_leftBehind->take(std::move(m_worker), m_leftBehind);
    return false;
}

bool Player::isActive() const {
    std::lock_guard lock(m_work->mutex);
    return m_work->active;
}

} // namespace ringvale
