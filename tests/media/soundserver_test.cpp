#include "fixtures.h"
#include "media/audioplayer.h"
#include "media/belllistener.h"
#include "media/soundoutput.h"
#include "media/soundoutputs.h"
#include "privatesoundserver.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

// What one playback said of itself, and what the listener made of it.
struct Heard {
    PlaybackReport sounding;
    BellListener::Result result;
};

// Starts a playback with `play`, waits for its report, then for the listener's verdict on it.
std::optional<Heard> playAndListen(AudioPlayer& player, BellListener& listener,
                                   const std::function<void()>& play) {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<PlaybackReport> sounding;
    std::optional<BellListener::Result> result;
    player.setReporter([&](const PlaybackReport& report) {
        std::lock_guard lock(mutex);
        sounding = report;
        changed.notify_all();
    });
    play();
    std::unique_lock lock(mutex);
    if (!changed.wait_for(lock, std::chrono::seconds(10), [&] { return sounding.has_value(); }))
        return std::nullopt;
    const WallTime onset = sounding->at;
    lock.unlock(); // the listener tells from its own thread, under its own lock
    listener.listenFor(onset, [&](const BellListener::Result& heard) {
        std::lock_guard resultLock(mutex);
        result = heard;
        changed.notify_all();
    });
    lock.lock();
    const bool judged = changed.wait_for(lock, std::chrono::seconds(10), [&] { return result.has_value(); });
    lock.unlock();
    player.stopAll();
    player.setReporter(nullptr);
    if (!judged)
        return std::nullopt;
    return Heard{*sounding, *result};
}

// A bell routed to the yard is heard on the yard's monitor; one on the hall is not; one routed to
// an output the server lacks rings on the default output (the hall), and says so.
TEST(SoundServer, ABellIsHeardOnlyWhereItIsRoutedAndConfirmedByListening) {
    PrivateSoundServer server({"hall", "yard"});
    ASSERT_TRUE(server.running());
    const std::vector<SoundDevice> outputs = listSoundOutputs();
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_EQ(outputs[0].name, "hall");
    BellListener listener("yard.monitor");
    ASSERT_TRUE(listener.start()) << listener.lastError();
    PulseAudioSink hall("hall");
    AudioPlayer player(hall);
    player.setOutputs(namedOutputsBeside(hall));
    struct Case {
        std::vector<std::string> outputs;
        bool heard;
        const char* device;
    };
    for (const Case& c :
         {Case{{"yard"}, true, "pulseaudio yard"}, Case{{}, false, "pulseaudio hall"},
          Case{{"gone"}, false, "pulseaudio hall (output gone missing: rang on the default output)"}}) {
        const auto heard = playAndListen(player, listener, [&] {
            player.playBell(1, fixture("square_a.wav"), RuleSound{c.outputs, 0});
        });
        ASSERT_TRUE(heard) << c.device;
        ASSERT_EQ(heard->sounding.kind, PlaybackReport::Kind::Sounding) << heard->sounding.detail;
        EXPECT_EQ(heard->sounding.detail, c.device);
        EXPECT_EQ(heard->result.heard, c.heard)
            << c.device << ": " << heard->result.levelDb << " dBFS over " << heard->result.roomDb;
    }
}

// An alarm ignores zones: it sounds on every output, heard on the yard although the default is the hall.
TEST(SoundServer, AnAlarmSoundsOnEveryOutput) {
    PrivateSoundServer server({"hall", "yard"});
    ASSERT_TRUE(server.running());
    BellListener listener("yard.monitor");
    ASSERT_TRUE(listener.start()) << listener.lastError();
    PulseAudioSink hall("hall");
    AudioPlayer player(hall);
    player.setOutputs(namedOutputsBeside(hall));
    player.setEveryOutput(everyOutputBeside(hall));
    const auto heard = playAndListen(player, listener, [&] { player.playFile(-1, fixture("square_a.wav")); });
    ASSERT_TRUE(heard);
    EXPECT_EQ(heard->sounding.detail, "pulseaudio hall+pulseaudio yard");
    EXPECT_TRUE(heard->result.heard);
}

} // namespace
