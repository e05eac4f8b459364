// Timing of the player against SDL's output (run with SDL_AUDIODRIVER=dummy so nothing is heard).

#include "benchutil.h"
#include "core/codepage.h"
#include "media/audioplayer.h"
#include "media/sdlaudiosink.h"

#include <ctime>
#include <mutex>
#include <optional>
#include <thread>

using namespace ringvale;
using namespace ringvale::bench;

namespace {

// Passes everything to the real device and notes when the first samples went in and when the
// queue was last flushed.
class TimingSink final : public AudioSink {
public:
    explicit TimingSink(AudioSink& inner) : m_inner(inner) {}
    AudioFormat format() const override { return m_inner.format(); }
    bool begin() override { return m_inner.begin(); }
    bool write(const std::int16_t* samples, std::size_t frames, const std::atomic<bool>& cancelled) override {
        const bool ok = m_inner.write(samples, frames, cancelled);
        std::lock_guard lock(m_mutex);
        if (!m_firstWrite)
            m_firstWrite = BenchClock::now();
        return ok;
    }
    void discard() override {
        m_inner.discard();
        std::lock_guard lock(m_mutex);
        if (!m_firstDiscard)
            m_firstDiscard = BenchClock::now();
    }
    void resetMarks() {
        std::lock_guard lock(m_mutex);
        m_firstWrite.reset();
        m_firstDiscard.reset();
    }
    std::optional<BenchClock::time_point> firstWrite() {
        std::lock_guard lock(m_mutex);
        return m_firstWrite;
    }
    std::optional<BenchClock::time_point> firstDiscard() {
        std::lock_guard lock(m_mutex);
        return m_firstDiscard;
    }

private:
    AudioSink& m_inner;
    std::mutex m_mutex;
    std::optional<BenchClock::time_point> m_firstWrite;
    std::optional<BenchClock::time_point> m_firstDiscard;
};

double processCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

} // namespace

int main() {
    const std::string file = gbkFromUtf8(std::string(RINGVALE_TEST_DATA) + "/bench_5s.mp3");
    SdlAudioSink device;
    TimingSink sink(device);
    AudioPlayer player(sink);
    if (!device.begin()) {
        std::printf("no audio output could be opened (set SDL_AUDIODRIVER=dummy)\n");
        return 1;
    }

    constexpr int kRuns = 40;
    std::vector<double> playReturn, firstSamples, stopToSilence, stopReturn;
    for (int i = 0; i < kRuns; ++i) {
        sink.resetMarks();
        const auto start = BenchClock::now();
        player.playFile(1, file);
        playReturn.push_back(millisecondsSince(start));
        while (!sink.firstWrite())
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        firstSamples.push_back(millisecondsSince(start, *sink.firstWrite()));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));

        sink.resetMarks();
        const auto stop = BenchClock::now();
        player.stopAll();
        stopReturn.push_back(millisecondsSince(stop));
        stopToSilence.push_back(millisecondsSince(stop, sink.firstDiscard().value_or(BenchClock::now())));
    }
    report("AudioPlayer::play returns", median(playReturn), "ms", "< 2 ms", kRuns);
    report("play -> first samples handed to the device", median(firstSamples), "ms", "< 30 ms", kRuns);
    report("stopAll -> last sound (device queue flushed)", median(stopToSilence), "ms", "< 20 ms", kRuns);
    report("stopAll returns", median(stopReturn), "ms", "< 30 ms", kRuns);

    const auto cpuShare = [](auto&& during) {
        const double cpuStart = processCpuSeconds();
        const auto wallStart = BenchClock::now();
        during();
        return 100.0 * (processCpuSeconds() - cpuStart) / (millisecondsSince(wallStart) / 1000.0);
    };
    std::vector<double> idle;
    for (int i = 0; i < 3; ++i)
        idle.push_back(cpuShare([] { std::this_thread::sleep_for(std::chrono::seconds(2)); }));
    report("CPU with the output device open and silent", median(idle), "%", "(reference)", idle.size());

    // Steady playing: measured from half a second in, after the file was opened and the
    // device queue filled.
    std::vector<double> shares;
    for (int i = 0; i < 3; ++i) {
        player.playFile(1, file);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        shares.push_back(cpuShare([] { std::this_thread::sleep_for(std::chrono::seconds(3)); }));
        player.stopAll();
    }
    report("CPU while playing a 128 kbit/s MP3 (whole process)", median(shares), "%", "< 1 % of a core",
           shares.size());
    return 0;
}
