// The player on any file: the bytes are played, once, into a sink that checks what it is handed
// (whole interleaved frames of the output's format). Nothing FFmpeg makes of them may crash the
// player, and the player always falls silent.

#include "media/audioplayer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

class CheckingSink final : public ringvale::AudioSink {
public:
    ringvale::AudioFormat format() const override { return {}; }
    bool begin() override { return true; }
    bool write(const std::int16_t* samples, std::size_t frames, const std::atomic<bool>& cancelled) override {
        if (frames == 0 || !samples)
            std::abort();
        volatile std::int64_t sum = 0;
        for (std::size_t i = 0; i < frames * 2; ++i) // reads every sample handed over
            sum = sum + samples[i];
        return !cancelled;
    }
    void discard() override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The bytes as a regular file the player can open by name.
    const int fd = memfd_create("fuzz.mp3", MFD_CLOEXEC);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size))
        std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    {
        CheckingSink sink;
        ringvale::AudioPlayer player(sink);
        player.playFile(1, path);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (player.isSounding()) {
            if (std::chrono::steady_clock::now() > end)
                std::abort(); // a few kilobytes never play for twenty seconds
            std::this_thread::yield();
        }
    }
    ::close(fd);
    return 0;
}
