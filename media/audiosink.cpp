#include "media/audiosink.h"

#include <algorithm>
#include <thread>

namespace ringvale {

bool AudioSink::writeAt(const std::int16_t* samples, std::size_t frames, WallTime heardAt,
                        const std::atomic<bool>& cancelled) {
    constexpr auto kStep = std::chrono::milliseconds(5);
    for (auto now = std::chrono::system_clock::now(); now < heardAt; now = std::chrono::system_clock::now()) {
        if (cancelled)
            return false;
        std::this_thread::sleep_for(std::min<std::chrono::system_clock::duration>(heardAt - now, kStep));
    }
    return write(samples, frames, cancelled);
}

} // namespace ringvale
