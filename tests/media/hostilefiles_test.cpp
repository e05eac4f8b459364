// Files that once silenced every later bell: a FIFO, an MP3 that turns from stereo to mono, a
// short MP3 padded with a long run of zeros, a WAV claiming an absurd rate, and a sound device
// that hangs.

#include "core/codepage.h"
#include "core/filestore.h"
#include "fixtures.h"
#include "media/audiodecoder.h"
#include "media/audioplayer.h"
#include "recordingsink.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ringvale;
using namespace ringvale::testing;
using namespace std::chrono;

namespace {

// Whether stopAll returns while the worker is stuck: a call that waited on the worker would not
// return before the worker does, which a hostile file or a hanging device never lets happen. (How
// fast it returns is bench_audio's figure, not a test's.)
bool stopAllReturns(AudioPlayer& player) {
    auto returned = std::make_shared<std::promise<void>>();
    auto future = returned->get_future();
    // Detached, so a call that never returns fails the test instead of hanging it.
    std::thread([&player, returned] {
        player.stopAll();
        returned->set_value();
    }).detach();
    return future.wait_for(seconds(5)) == std::future_status::ready;
}

// Bytes this process has read so far (the kernel's count).
long long bytesRead() {
    const std::string io = readWholeFile("/proc/self/io").bytes;
    const auto at = io.find("rchar: ");
    return at == std::string::npos ? -1 : std::stoll(io.substr(at + 7));
}

bool waitForBytesRead(long long bytes) {
    const auto end = steady_clock::now() + seconds(60);
    while (bytesRead() < bytes) {
        if (steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

std::string stereoThenMono() {
    std::string bytes = readWholeFile(toFileName(fixture("tone.mp3"))).bytes.substr(0, 3000);
    // MPEG-1 layer III, 128 kbit/s, 44.1 kHz, mono: 417-byte frames whose zero side information
    // decodes to silence.
    std::string frame(417, '\0');
    frame[0] = '\xFF', frame[1] = '\xFB', frame[2] = '\x90', frame[3] = '\xC0';
    for (int i = 0; i < 200; ++i)
        bytes += frame;
    return bytes;
}

TEST(HostileFiles, NeverStopTheNextBell) {
    TempDir dir;
    const auto fifo = dir.path() / "fifo.mp3";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const auto mixed = dir.path() / "stereo-then-mono.mp3";
    ASSERT_TRUE(writeFileAtomic(mixed, stereoThenMono()));
    const auto padded = dir.path() / "padded.mp3";
    ASSERT_TRUE(
        writeFileAtomic(padded, readWholeFile(toFileName(fixture("tone.mp3"))).bytes.substr(0, 4096)));
    ASSERT_EQ(::truncate(padded.c_str(), 300LL * 1024 * 1024), 0); // sparse: no disk is used
    const auto absurdRate = dir.path() / "1.4-ghz.wav";            // the converter would want gigabytes
    std::string wav = readWholeFile(toFileName(fixture("square_a.wav"))).bytes;
    wav.replace(24, 4, std::string("\x44\xAC\x00\x53", 4));
    ASSERT_TRUE(writeFileAtomic(absurdRate, wav));

    for (const auto& file : {fifo, mixed, padded, absurdRate}) {
        RecordingSink sink;
        AudioPlayer player(sink);
        const long long readSoFar = bytesRead();
        player.playFile(-1, fromFileName(file));
        if (file == padded) {
            ASSERT_TRUE(waitForBytesRead(readSoFar + 50'000'000)); // deep in the zeros
        }
        EXPECT_TRUE(stopAllReturns(player)) << file;
        const std::size_t before = sink.totalFrames();
        player.playFile(1, fixture("square_a.wav"));
        EXPECT_TRUE(sink.waitForFrames(before + kFramesA)) << file;
    }
}

TEST(HostileFiles, FrameFormatChangesAreConverted) {
    TempDir dir;
    const auto mixed = dir.path() / "stereo-then-mono.mp3";
    ASSERT_TRUE(writeFileAtomic(mixed, stereoThenMono()));
    AudioDecoder decoder;
    ASSERT_TRUE(decoder.open(mixed, AudioFormat{}));
    std::vector<std::int16_t> samples;
    std::size_t frames = 0;
    while (std::size_t got = decoder.decode(samples)) {
        ASSERT_EQ(samples.size(), got * 2);
        frames += got;
    }
    EXPECT_GT(frames, 200u * 1152 * 9 / 10); // the mono frames play as well, as silence
}

// A device that hangs in write and takes no notice of a cancel until it is let go.
class HangingSink final : public RecordingSink {
public:
    bool write(const std::int16_t*, std::size_t, const std::atomic<bool>&) override {
        std::unique_lock lock(m_mutex);
        m_entered = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_released; });
        return false;
    }
    void release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }
    bool waitUntilEntered() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, seconds(10), [this] { return m_entered; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_entered = false;
    bool m_released = false;
};

TEST(HostileFiles, AHangingWorkerIsLeftBehindNotJoined) {
    HangingSink sink;
    AudioPlayer player(sink);
    player.playFile(1, fixture("square_a.wav"));
    ASSERT_TRUE(sink.waitUntilEntered());
    EXPECT_TRUE(stopAllReturns(player));
    EXPECT_EQ(player.leftBehindWorkers(), 1);
    sink.release();
    const auto end = steady_clock::now() + seconds(10);
    while (player.leftBehindWorkers() != 0 && steady_clock::now() < end)
        std::this_thread::yield();
    EXPECT_EQ(player.leftBehindWorkers(), 0);
}

} // namespace
