// The real engine into SDL's disk driver: what reaches the "device" is read back from the file
// the driver writes and counted frame by frame. The fixtures never hold a zero sample, so every
// non-silent frame is one of theirs.

#include "fixtures.h"
#include "media/audioplayer.h"
#include "media/sdlaudiosink.h"
#include "tempdir.h"
#include "waitfor.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

struct Span {
    int magnitude;
    std::size_t frames;
    bool operator==(const Span&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Span& run) {
    return out << "{" << run.magnitude << " x " << run.frames << "}";
}

class DiskSinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_file = m_dir.path() / "device.raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_file.c_str(), 1);
        m_sink = std::make_unique<SdlAudioSink>();
        m_player = std::make_unique<AudioPlayer>(*m_sink);
    }
    void TearDown() override {
        m_player.reset();
        m_sink.reset();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }

    // Lets the playback run out, closes the device and returns the non-silent runs it received.
    std::vector<Span> finish() {
        EXPECT_TRUE(waitFor([&] { return !m_player->isSounding(); }));
        EXPECT_TRUE(m_sink->waitUntilDrained(std::chrono::seconds(5)));
        m_sink->close(); // the device's thread writes out what it was last handed before it ends
        return readRuns();
    }

    std::vector<Span> readRuns() const {
        std::ifstream in(m_file, std::ios::binary);
        std::vector<Span> runs;
        std::int16_t frame[2];
        while (in.read(reinterpret_cast<char*>(frame), sizeof frame)) {
            const int magnitude = std::abs(static_cast<int>(frame[0]));
            if (magnitude == 0 && frame[1] == 0)
                continue; // the device's own silence
            if (!runs.empty() && runs.back().magnitude == magnitude)
                ++runs.back().frames;
            else
                runs.push_back({magnitude, 1});
        }
        return runs;
    }

    std::size_t nonSilentFrames() const {
        std::size_t total = 0;
        for (const Span& run : readRuns())
            total += run.frames;
        return total;
    }

    TempDir m_dir;
    std::filesystem::path m_file;
    std::unique_ptr<SdlAudioSink> m_sink;
    std::unique_ptr<AudioPlayer> m_player;
};

TEST_F(DiskSinkTest, CountOneReachesTheDeviceExactly) {
    m_player->playFile(1, fixture("square_a.wav"));
    EXPECT_EQ(finish(), (std::vector<Span>{{1000, kFramesA}}));
}

TEST_F(DiskSinkTest, CountThreeOfOneFile) {
    m_player->playFile(3, fixture("square_a.wav"));
    EXPECT_EQ(finish(), (std::vector<Span>{{1000, 3 * kFramesA}}));
}

TEST_F(DiskSinkTest, CountTwoOfAAndBThenSilence) {
    m_player->playList(2, {fixture("square_a.wav"), fixture("square_b.wav")});
    EXPECT_EQ(finish(),
              (std::vector<Span>{{1000, kFramesA}, {2000, kFramesB}, {1000, kFramesA}, {2000, kFramesB}}));
}

TEST_F(DiskSinkTest, ChineseFileName) {
    m_player->playFile(1, fixture("上课铃声.wav"));
    EXPECT_EQ(finish(), (std::vector<Span>{{1000, kFramesA}}));
}

TEST_F(DiskSinkTest, PlayWhileAnotherPlaysCutsItOff) {
    m_player->playFile(1, fixture("square_long.wav"));
    ASSERT_TRUE(waitFor([&] { return nonSilentFrames() > 0; }));
    m_player->playFile(1, fixture("square_b.wav"));
    const auto runs = finish();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].magnitude, 3000);
    EXPECT_LT(runs[0].frames, kFramesLong / 2); // cut off well before its end
    EXPECT_EQ(runs[1], (Span{2000, kFramesB})); // the new file whole, never mixed with the old
}

TEST_F(DiskSinkTest, CountZeroSilencesTheOldSound) {
    m_player->playFile(1, fixture("square_long.wav"));
    ASSERT_TRUE(waitFor([&] { return nonSilentFrames() > 0; }));
    m_player->playFile(0, fixture("square_a.wav"));
    const auto runs = finish();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].magnitude, 3000);
    EXPECT_LT(runs[0].frames, kFramesLong / 2);
}

TEST_F(DiskSinkTest, EndlessCountSoundsUntilStopped) {
    m_player->playFile(-1, fixture("square_a.wav"));
    ASSERT_TRUE(waitFor([&] { return nonSilentFrames() > 5 * kFramesA; })); // past the fifth pass
    EXPECT_TRUE(m_player->isSounding());
    const std::size_t heardBeforeStop = nonSilentFrames();
    m_player->stopAll();
    finish();
    // Only what was on its way to the device when the stop came (at most 120 ms) may still sound.
    EXPECT_LT(nonSilentFrames(), heardBeforeStop + 2 * kFramesA);
}

TEST_F(DiskSinkTest, WmaReachesTheDevice) {
    m_player->playFile(1, fixture("tone.wma"));
    finish();
    // A sine has a few exact zero samples; nearly all of its half second must arrive.
    EXPECT_GT(nonSilentFrames(), 20000u);
}

TEST_F(DiskSinkTest, MissingFileIsSilenceAndNothingHangs) {
    m_player->playFile(1, fixture("nothing-here.mp3"));
    m_player->playFile(2, fixture("corrupt.mp3"));
    EXPECT_TRUE(finish().empty());
}

} // namespace

namespace {

// Open only around playbacks: made ready ahead of a bell, closed again once idle, reopened by
// the next playback.
TEST(SdlAudioSink, OpensAheadOfABellAndClosesWhenIdle) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SdlAudioSink sink(std::chrono::milliseconds(50));
    EXPECT_FALSE(sink.isOpen());
    sink.prepare();
    EXPECT_TRUE(sink.isOpen());
    const auto closed = [&] { return waitFor([&] { return !sink.isOpen(); }); };
    EXPECT_TRUE(closed());
    AudioPlayer player(sink);
    player.playFile(1, fixture("square_a.wav"));
    EXPECT_TRUE(waitFor([&] { return sink.isOpen(); })); // the player's worker opens it
    EXPECT_TRUE(closed());
    // A file that took longer to decode than the idle time still sounds.
    const std::int16_t frames[4] = {1000, 1000, -1000, -1000};
    const std::atomic<bool> notCancelled{false};
    EXPECT_TRUE(sink.write(frames, 2, notCancelled));
    EXPECT_TRUE(sink.isOpen());
}

} // namespace
