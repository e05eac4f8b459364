#include "fixtures.h"
#include "media/audiodecoder.h"
#include "media/audioplayer.h"
#include "recordingsink.h"
#include "threads.h"
#include "waitfor.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

using namespace ringvale;
using namespace ringvale::testing;
using Span = RecordingSink::Span;

namespace {

bool waitUntilSilent(const AudioPlayer& player,
                     std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (player.isSounding()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Frames the decoder gives for a whole file, for the formats whose samples are not known.
std::size_t decodedFrames(const char* name) {
    AudioDecoder decoder;
    if (!decoder.open(toFileName(fixture(name)), AudioFormat{}))
        return 0;
    std::vector<std::int16_t> samples;
    std::size_t total = 0;
    while (std::size_t frames = decoder.decode(samples))
        total += frames;
    return total;
}

TEST(AudioPlayer, CountsPassesExactly) {
    struct Case {
        std::int32_t count;
        std::vector<std::string> files;
        std::vector<Span> expected;
    };
    const std::string a = fixture("square_a.wav");
    const std::string b = fixture("square_b.wav");
    const std::vector<Case> cases = {
        {1, {a}, {{1000, kFramesA}}},
        {3, {a}, {{1000, 3 * kFramesA}}},
        {2, {a, b}, {{1000, kFramesA}, {2000, kFramesB}, {1000, kFramesA}, {2000, kFramesB}}},
        {1, {"", a, ""}, {{1000, kFramesA}}},
    };
    for (const Case& c : cases) {
        RecordingSink sink;
        AudioPlayer player(sink);
        player.playList(c.count, c.files);
        ASSERT_TRUE(waitUntilSilent(player));
        EXPECT_EQ(sink.runs(), c.expected) << "count " << c.count;
    }
}

TEST(AudioPlayer, CountZeroOnlySilences) {
    RecordingSink sink(1000); // a full device: the first playback never ends by itself
    AudioPlayer player(sink);
    player.playFile(1, fixture("square_long.wav"));
    ASSERT_TRUE(sink.waitForFrames(1000));
    ASSERT_TRUE(player.isSounding());
    player.playFile(0, fixture("square_a.wav"));
    EXPECT_FALSE(player.isSounding());
    EXPECT_EQ(sink.totalFrames(), 1000u);
    EXPECT_GE(sink.discards(), 1);
}

TEST(AudioPlayer, NegativeCountRepeatsUntilStopped) {
    RecordingSink sink;
    std::size_t atStop = 0;
    {
        AudioPlayer player(sink);
        player.playFile(-1, fixture("square_a.wav"));
        ASSERT_TRUE(sink.waitForFrames(25 * kFramesA));
        EXPECT_TRUE(player.isSounding());
        player.stopAll();
        EXPECT_FALSE(player.isSounding());
        atStop = sink.totalFrames();
    } // gone: nothing reaches the sink any more
    // At most the one frame being handed over as the stop came.
    EXPECT_LE(sink.totalFrames() - atStop, 1u);
}

TEST(AudioPlayer, NewPlayCutsTheOldOneOff) {
    RecordingSink sink(5000);
    AudioPlayer player(sink);
    player.playFile(1, fixture("square_long.wav"));
    ASSERT_TRUE(sink.waitForFrames(5000));
    player.playFile(1, fixture("square_a.wav")); // the device is still full: the new one waits
    EXPECT_TRUE(player.isSounding());
    player.stopAll();
    // The old player was removed: only its frames, never interleaved with the new file's.
    EXPECT_EQ(sink.runs(), (std::vector<Span>{{3000, 5000}}));
}

TEST(AudioPlayer, EmptyPathOnlyStopsThePlayingOne) {
    RecordingSink sink(100);
    AudioPlayer player(sink);
    player.playFile(1, fixture("square_long.wav"));
    ASSERT_TRUE(sink.waitForFrames(100));
    player.playFile(1, std::string());
    EXPECT_FALSE(player.isSounding());
    player.playList(2, std::vector<std::string>{"", ""});
    EXPECT_FALSE(player.isSounding());
}

TEST(AudioPlayer, BadFilesFallSilentAndStopTheList) {
    for (const char* bad : {"does-not-exist.mp3", "empty.mp3", "corrupt.mp3"}) {
        RecordingSink sink;
        AudioPlayer player(sink);
        // Later paths are not tried once one fails.
        player.playList(-1, {fixture(bad), fixture("square_a.wav")});
        ASSERT_TRUE(waitUntilSilent(player, std::chrono::seconds(5))) << bad;
        EXPECT_EQ(sink.totalFrames(), 0u) << bad;
    }
    // A file that fails after good ones: what came before it played, then silence.
    RecordingSink sink;
    AudioPlayer player(sink);
    player.playList(3, {fixture("square_a.wav"), fixture("empty.mp3"), fixture("square_b.wav")});
    ASSERT_TRUE(waitUntilSilent(player));
    EXPECT_EQ(sink.runs(), (std::vector<Span>{{1000, kFramesA}}));
}

TEST(AudioPlayer, DamagedMp3PlaysWhatItCanWithoutHanging) {
    RecordingSink sink;
    AudioPlayer player(sink);
    player.playFile(2, fixture("damaged.mp3"));
    ASSERT_TRUE(waitUntilSilent(player, std::chrono::seconds(5)));
    EXPECT_LE(sink.totalFrames(), 2 * decodedFrames("tone.mp3") + 4096);
}

TEST(AudioPlayer, NoOutputDeviceMeansSilence) {
    RecordingSink sink;
    sink.setAvailable(false);
    AudioPlayer player(sink, OutputRetry{std::chrono::milliseconds(100), std::chrono::milliseconds(10),
                                         std::chrono::milliseconds(20)});
    player.playFile(1, fixture("square_a.wav"));
    EXPECT_TRUE(waitFor([&] { return !player.isSounding(); })); // once the tries are over
    EXPECT_EQ(sink.totalFrames(), 0u);
}

TEST(AudioPlayer, DecodesEveryOfferedFormat) {
    for (const char* name : {"tone.mp3", "tone.wma", "tone.ogg", "tone.flac", "tone.m4a"}) {
        const std::size_t single = decodedFrames(name);
        // Half a second of sound, give or take the codec's padding.
        EXPECT_GT(single, 20000u) << name;
        EXPECT_LT(single, 26000u) << name;
        RecordingSink sink;
        AudioPlayer player(sink);
        player.playFile(2, fixture(name));
        ASSERT_TRUE(waitUntilSilent(player)) << name;
        EXPECT_EQ(sink.totalFrames(), 2 * single) << name;
    }
}

TEST(AudioPlayer, PlaysAFileWithAChineseName) {
    RecordingSink sink;
    AudioPlayer player(sink);
    player.playFile(1, fixture("上课铃声.wav"));
    ASSERT_TRUE(waitUntilSilent(player));
    EXPECT_EQ(sink.runs(), (std::vector<Span>{{1000, kFramesA}}));
}

TEST(AudioPlayerStress, ThousandsOfPlaysAndStopsLeaveNoThreadBehind) {
    {
        // Let runtimes that start a helper thread with the first thread (ThreadSanitizer's) do so.
        RecordingSink sink;
        AudioPlayer warmUp(sink);
        warmUp.playFile(1, fixture("square_a.wav"));
        warmUp.stopAll();
    }
    const int threadsBefore = threadCount();
    {
        RecordingSink sink(20000);
        AudioPlayer player(sink);
        const std::vector<std::string> files = {fixture("square_long.wav"), fixture("corrupt.mp3"),
                                                fixture("tone.mp3"), fixture("empty.mp3"), ""};
        for (int i = 0; i < 2000; ++i) {
            if (i % 3 == 2)
                player.stopAll();
            else
                player.playFile(i % 7 == 0 ? -1 : 1 + i % 3,
                                files[static_cast<std::size_t>(i) % files.size()]);
        }
        player.stopAll();
        EXPECT_FALSE(player.isSounding());
    }
    EXPECT_EQ(threadCount(), threadsBefore);
}

} // namespace

namespace {

TEST(AudioPlayer, ReportsFirstSamplesOrWhyNothingSounded) {
    struct Case {
        const char* file;
        PlaybackReport::Kind kind;
        const char* detailStart;
    };
    for (const Case& c : {Case{"square_a.wav", PlaybackReport::Kind::Sounding, "sound output"},
                          Case{"nothing-here.mp3", PlaybackReport::Kind::Failed, "not found"},
                          Case{"corrupt.mp3", PlaybackReport::Kind::Failed, "cannot be decoded: "}}) {
        RecordingSink sink;
        AudioPlayer player(sink);
        std::mutex mutex;
        std::vector<PlaybackReport> reports;
        player.setReporter([&](const PlaybackReport& report) {
            std::lock_guard lock(mutex);
            reports.push_back(report);
        });
        const WallTime before = std::chrono::system_clock::now();
        const PlayId id = player.playFile(2, fixture(c.file));
        ASSERT_TRUE(waitUntilSilent(player));
        std::lock_guard lock(mutex);
        ASSERT_EQ(reports.size(), 1u) << c.file; // once per request, not per pass
        EXPECT_EQ(reports[0].id, id);
        EXPECT_EQ(reports[0].kind, c.kind) << c.file;
        EXPECT_TRUE(reports[0].detail.starts_with(c.detailStart)) << reports[0].detail;
        EXPECT_GE(reports[0].at, before);
    }
}

TEST(AudioPlayer, APreparedBellIsPlacedOnItsTimeAndSoundsOnlyAsItsRequestTakesItOver) {
    enum class Then { TakeOver, Cancel, OtherFile };
    for (const Then then : {Then::TakeOver, Then::Cancel, Then::OtherFile}) {
        RecordingSink sink;
        AudioPlayer player(sink);
        std::mutex mutex;
        std::vector<PlaybackReport> reports;
        player.setReporter([&](const PlaybackReport& report) {
            std::lock_guard lock(mutex);
            reports.push_back(report);
        });
        const WallTime due = std::chrono::system_clock::now() + std::chrono::seconds(1);
        player.prepareBell(1, fixture("square_a.wav"), {}, due);
        player.prepareBell(1, fixture("square_a.wav"), {}, due); // every tick until then says it again
        ASSERT_TRUE(sink.waitForFrames(kFramesA));
        EXPECT_EQ(sink.placed(), std::vector<WallTime>{due});
        std::optional<PlayId> id;
        if (then == Then::TakeOver)
            id = player.playFile(1, fixture("square_a.wav"));
        else if (then == Then::OtherFile)
            id = player.playFile(1, fixture("square_b.wav"));
        else
            player.cancelPrepared();
        ASSERT_TRUE(waitUntilSilent(player));
        const std::vector<Span> expected = then == Then::TakeOver ? std::vector<Span>{{1000, kFramesA}}
                                           : then == Then::OtherFile
                                               ? std::vector<Span>{{1000, kFramesA}, {2000, kFramesB}}
                                               : std::vector<Span>{{1000, kFramesA}};
        EXPECT_EQ(sink.runs(), expected) << static_cast<int>(then);
        EXPECT_EQ(sink.discards() == 0, then == Then::TakeOver)
            << "the placed sound is kept only when taken over";
        std::lock_guard lock(mutex);
        ASSERT_EQ(reports.size(), id ? 1u : 0u) << static_cast<int>(then);
        if (id) {
            EXPECT_EQ(reports[0].id, *id);
            EXPECT_EQ(reports[0].kind, PlaybackReport::Kind::Sounding);
        }
    }
}

TEST(AudioPlayer, ABellRingsOnItsOutputsAndOnTheDefaultWhenNoneOfThemIsThere) {
    struct Case {
        std::vector<std::string> outputs;
        std::vector<std::size_t> framesOn; // default, "hall", "yard"
        const char* detail;
    };
    for (const Case& c :
         {Case{{}, {kFramesA, 0, 0}, "sound output"}, Case{{"yard"}, {0, 0, kFramesA}, "sound output"},
          Case{{"hall", "yard"}, {0, kFramesA, kFramesA}, "sound output+sound output"},
          Case{{"gone"}, {kFramesA, 0, 0}, "sound output (output gone missing: rang on the default output)"},
          Case{{"yard", "gone"}, {0, 0, kFramesA}, "sound output (output gone missing)"}}) {
        RecordingSink defaultOutput;
        std::map<std::string, RecordingSink*> made;
        AudioPlayer player(defaultOutput);
        player.setOutputs([&made](const std::string& name) -> std::unique_ptr<AudioSink> {
            if (name == "gone")
                return nullptr;
            auto sink = std::make_unique<RecordingSink>();
            made[name] = sink.get();
            return sink;
        });
        std::mutex mutex;
        std::vector<PlaybackReport> reports;
        player.setReporter([&](const PlaybackReport& report) {
            std::lock_guard lock(mutex);
            reports.push_back(report);
        });
        player.playBell(1, fixture("square_a.wav"), RuleSound{c.outputs, 0});
        ASSERT_TRUE(waitUntilSilent(player));
        const auto framesOn = [&made](const char* name) {
            return made.count(name) ? made[name]->totalFrames() : 0;
        };
        EXPECT_EQ((std::vector<std::size_t>{defaultOutput.totalFrames(), framesOn("hall"), framesOn("yard")}),
                  c.framesOn);
        std::lock_guard lock(mutex);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].detail, c.detail);
    }
}

TEST(AudioPlayer, AnOutputRefusedIsTriedAgainUntilItsDeadlineAndEveryTryIsSaid) {
    // The server refuses the first `refusals` opens with these reasons, then accepts.
    class BusyServer : public RecordingSink {
    public:
        explicit BusyServer(std::vector<std::string> reasons) : m_reasons(std::move(reasons)) {}
        bool begin() override {
            const std::lock_guard lock(m_mutex);
            m_last = m_tries < m_reasons.size() ? m_reasons[m_tries] : "";
            return m_tries++ >= m_reasons.size() && RecordingSink::begin();
        }
        std::string lastError() const override {
            const std::lock_guard lock(m_mutex);
            return m_last;
        }

    private:
        std::vector<std::string> m_reasons;
        std::size_t m_tries = 0;
        std::string m_last;
        mutable std::mutex m_mutex;
    };
    struct Case {
        std::vector<std::string> refusals;
        PlaybackReport::Kind kind;
        const char* detail;
    };
    const std::vector<std::string> many(40, "Connection refused");
    const Case cases[] = {
        {{}, PlaybackReport::Kind::Sounding, "sound output"},
        {{"Connection refused", "Connection refused", "Could not setup connection"},
         PlaybackReport::Kind::Sounding,
         "sound output (opened after 3 failed tries: Connection refused (2 tries); Could not setup "
         "connection)"},
        {many, PlaybackReport::Kind::Failed, "no sound device: Connection refused ("},
    };
    for (const Case& c : cases) {
        BusyServer sink(c.refusals);
        AudioPlayer player(sink, OutputRetry{std::chrono::milliseconds(300), std::chrono::milliseconds(5),
                                             std::chrono::milliseconds(40)});
        std::mutex mutex;
        std::vector<PlaybackReport> reports; // from the player's worker
        player.setReporter([&](const PlaybackReport& report) {
            const std::lock_guard lock(mutex);
            reports.push_back(report);
        });
        player.playFile(1, fixture("square_a.wav"));
        ASSERT_TRUE(waitFor([&] {
            const std::lock_guard lock(mutex);
            return !reports.empty();
        }));
        const std::lock_guard lock(mutex);
        EXPECT_EQ(reports[0].kind, c.kind) << c.detail;
        EXPECT_TRUE(reports[0].detail.starts_with(c.detail)) << reports[0].detail;
    }
}

} // namespace
