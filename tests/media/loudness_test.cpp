#include "media/audioplayer.h"
#include "media/loudnesslibrary.h"
#include "media/soundsettings.h"
#include "tempdir.h"
#include "waitfor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <mutex>
#include <numbers>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

constexpr int kRate = 44100;

void writeWav(const std::filesystem::path& file, const std::vector<std::int16_t>& samples) {
    const auto le = [](std::ofstream& out, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.put(static_cast<char>((value >> (8 * i)) & 0xff));
    };
    std::ofstream out(file, std::ios::binary);
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    out << "RIFF";
    le(out, 36 + dataBytes, 4);
    out << "WAVEfmt ";
    le(out, 16, 4), le(out, 1, 2), le(out, 2, 2), le(out, kRate, 4), le(out, kRate * 4, 4), le(out, 4, 2);
    le(out, 16, 2);
    out << "data";
    le(out, dataBytes, 4);
    out.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(dataBytes));
}

// Three seconds of a 1 kHz tone at `amplitude` of full scale, in both channels.
void writeTone(const std::filesystem::path& file, double amplitude) {
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 3 * kRate; ++i) {
        const auto value = static_cast<std::int16_t>(
            std::lround(32767 * amplitude * std::sin(2 * std::numbers::pi * 1000 * i / kRate)));
        samples.insert(samples.end(), {value, value});
    }
    writeWav(file, samples);
}

// Keeps every sample handed over.
class CapturingSink final : public AudioSink {
public:
    AudioFormat format() const override { return {}; }
    bool begin() override { return true; }
    bool write(const std::int16_t* samples, std::size_t frames, const std::atomic<bool>&) override {
        std::lock_guard lock(m_mutex);
        m_samples.insert(m_samples.end(), samples, samples + frames * 2);
        return true;
    }
    void discard() override {}
    std::vector<std::int16_t> samples() const {
        std::lock_guard lock(m_mutex);
        return m_samples;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::int16_t> m_samples;
};

// The loudness of `file` as played through the library's gain plus `extraDb`.
double playedLoudness(LoudnessLibrary& library, const std::filesystem::path& file, double extraDb,
                      const std::filesystem::path& recording) {
    CapturingSink sink;
    {
        AudioPlayer player(sink);
        player.setGain([&](const std::string&) { return library.gainFor(file).value_or(0) + extraDb; });
        player.playFile(1, file.string());
        EXPECT_TRUE(waitFor([&player] { return !player.isSounding(); }));
    }
    writeWav(recording, sink.samples());
    return measureLoudness(recording).value_or(Loudness{}).integratedLufs;
}

TEST(Loudness, FilesTwentyDecibelsApartAreHeardWithinOneLuAndAGainMovesItByThatMuch) {
    TempDir dir;
    const auto loud = dir.path() / "loud.wav";
    const auto quiet = dir.path() / "quiet.wav";
    writeTone(loud, 0.5);
    writeTone(quiet, 0.05);
    LoudnessLibrary library(loudnessCachePath(dir.path()));
    EXPECT_FALSE(library.gainFor(loud)) << "not measured yet: played at its own level";
    EXPECT_FALSE(library.gainFor(quiet));
    ASSERT_TRUE(library.waitUntilIdle(std::chrono::seconds(30)));
    struct Case {
        std::filesystem::path file;
        double extraDb;
        double expectedLufs;
    };
    for (const Case& c : {Case{loud, 0, kDefaultTargetLufs}, Case{quiet, 0, kDefaultTargetLufs},
                          Case{quiet, -6, kDefaultTargetLufs - 6}})
        EXPECT_NEAR(playedLoudness(library, c.file, c.extraDb, dir.path() / "heard.wav"), c.expectedLufs, 1.0)
            << c.file << " " << c.extraDb;
}

TEST(Loudness, TheGainStopsWhereTheTruePeakWouldPassTheCeiling) {
    struct Case {
        Loudness measured;
        double gain;
    };
    for (const Case& c : {Case{{-30, -20}, 12}, Case{{-30, -3}, 2}, Case{{-10, -0.5}, -8}})
        EXPECT_DOUBLE_EQ(normalisingGainDb(c.measured, -18), c.gain) << c.measured.integratedLufs;
}

TEST(LoudnessLibrary, KnowsAFileByItsContentAcrossARestartAndARenameButNotAfterAChange) {
    TempDir dir;
    const auto file = dir.path() / "bell.wav";
    writeTone(file, 0.5);
    {
        LoudnessLibrary library(loudnessCachePath(dir.path()));
        library.gainFor(file);
        ASSERT_TRUE(library.waitUntilIdle(std::chrono::seconds(30)));
        ASSERT_TRUE(library.gainFor(file));
    }
    std::filesystem::rename(file, dir.path() / "renamed.wav");
    LoudnessLibrary library(loudnessCachePath(dir.path()));
    const std::optional<double> gain = library.gainFor(dir.path() / "renamed.wav");
    ASSERT_TRUE(gain);
    EXPECT_LT(*gain, 0) << "a tone at -6 dBFS is brought down";
    writeTone(dir.path() / "renamed.wav", 0.05);
    EXPECT_FALSE(library.gainFor(dir.path() / "renamed.wav"));
}

TEST(SoundSettings, KeepTheTargetAndTheInputAndReadBadValuesAsTheDefault) {
    TempDir dir;
    EXPECT_EQ(readSoundSettings(dir.path()), SoundSettings{});
    ASSERT_TRUE(writeSoundSettings(dir.path(), {-23, "mic.monitor"}));
    EXPECT_EQ(readSoundSettings(dir.path()), (SoundSettings{-23, "mic.monitor"}));
    for (const char* text : {"[sound]\r\nloudness=-45\r\n", "[sound]\r\nloudness=loud\r\n", ""}) {
        std::ofstream(soundSettingsPath(dir.path()), std::ios::binary) << text;
        EXPECT_EQ(readSoundSettings(dir.path()).targetLufs, kDefaultTargetLufs) << text;
    }
}

} // namespace
