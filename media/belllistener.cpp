#include "media/belllistener.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>
#include <vector>

namespace ringvale {

namespace {
constexpr int kRate = 16000;
constexpr std::size_t kBlockFrames = kRate / 20; // 50 ms
constexpr auto kKept = std::chrono::seconds(10);
constexpr auto kRoomSpan = std::chrono::seconds(3);
constexpr auto kRoomGap = std::chrono::milliseconds(200);
constexpr double kSilenceDb = -120;
constexpr double kQuietestHeardDb = -70;

double decibels(double meanSquare) {
    return meanSquare > 0 ? 10 * std::log10(meanSquare) : kSilenceDb;
}
} // namespace

struct BellListener::Input {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    std::string lastError;
    // Each 50 ms block's level and when it was heard; under the loop's lock, as all below.
    std::deque<std::pair<WallTime, double>> levels;
    double blockSum = 0;
    std::size_t blockFrames = 0;
    struct Waiting {
        WallTime onset;
        Done done;
    };
    std::vector<Waiting> waiting;

    static void changed(pa_context*, void* self) {
        pa_threaded_mainloop_signal(static_cast<Input*>(self)->loop, 0);
    }
    static void streamChanged(pa_stream*, void* self) {
        pa_threaded_mainloop_signal(static_cast<Input*>(self)->loop, 0);
    }
    static void readable(pa_stream* stream, std::size_t, void* self) {
        auto& input = *static_cast<Input*>(self);
        const void* data = nullptr;
        std::size_t bytes = 0;
        while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &bytes) == 0) {
            if (bytes == 0)
                break;
            input.take(data ? static_cast<const std::int16_t*>(data) : nullptr, bytes / sizeof(std::int16_t));
            pa_stream_drop(stream);
        }
        input.judge();
    }

    void take(const std::int16_t* samples, std::size_t count) {
        pa_usec_t latency = 0;
        int negative = 0;
        if (pa_stream_get_latency(stream, &latency, &negative) < 0)
            latency = 0;
        // The last sample read was heard `latency` ago.
        const WallTime lastHeard =
            std::chrono::system_clock::now() - std::chrono::microseconds(negative ? 0 : latency);
        for (std::size_t i = 0; i < count; ++i) {
            const double sample = samples ? samples[i] / 32768.0 : 0.0; // a hole reads as silence
            blockSum += sample * sample;
            if (++blockFrames < kBlockFrames)
                continue;
            const auto after =
                std::chrono::microseconds(static_cast<std::int64_t>(count - 1 - i) * 1000000 / kRate);
            levels.emplace_back(lastHeard - after, decibels(blockSum / static_cast<double>(blockFrames)));
            blockSum = 0;
            blockFrames = 0;
        }
        while (!levels.empty() && levels.front().first < lastHeard - kKept)
            levels.pop_front();
    }

    Result resultFor(WallTime onset) const {
        std::vector<double> room;
        Result result;
        for (const auto& [at, db] : levels) {
            if (at >= onset - kRoomSpan && at < onset - kRoomGap)
                room.push_back(db);
            else if (at >= onset && at <= onset + kHearingWindow)
                result.levelDb = std::max(result.levelDb, db);
        }
        if (!room.empty()) {
            std::nth_element(room.begin(), room.begin() + static_cast<std::ptrdiff_t>(room.size() / 2),
                             room.end());
            result.roomDb = room[room.size() / 2];
        }
        result.heard = result.levelDb >= kQuietestHeardDb && result.levelDb >= result.roomDb + kAboveRoomDb;
        return result;
    }

    // Every bell whose window has been heard through is judged.
    void judge() {
        const WallTime heardUpTo = levels.empty() ? WallTime{} : levels.back().first;
        for (auto it = waiting.begin(); it != waiting.end();) {
            if (heardUpTo < it->onset + kHearingWindow) {
                ++it;
                continue;
            }
            it->done(resultFor(it->onset));
            it = waiting.erase(it);
        }
    }

    void drop() {
        if (stream) {
            pa_stream_set_read_callback(stream, nullptr, nullptr);
            pa_stream_set_state_callback(stream, nullptr, nullptr);
            pa_stream_disconnect(stream);
            pa_stream_unref(stream);
            stream = nullptr;
        }
        if (context) {
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
            context = nullptr;
        }
    }
};

BellListener::BellListener(std::string source)
    : m_source(std::move(source)), m_input(std::make_unique<Input>()) {
    m_input->loop = pa_threaded_mainloop_new();
    pa_threaded_mainloop_start(m_input->loop);
}

BellListener::~BellListener() {
    pa_threaded_mainloop_lock(m_input->loop);
    m_input->drop();
    pa_threaded_mainloop_unlock(m_input->loop);
    pa_threaded_mainloop_stop(m_input->loop);
    pa_threaded_mainloop_free(m_input->loop);
}

bool BellListener::start() {
    Input& input = *m_input;
    pa_threaded_mainloop_lock(input.loop);
    input.drop();
    const auto fail = [&input] {
        input.lastError = pa_strerror(pa_context_errno(input.context));
        input.drop();
        pa_threaded_mainloop_unlock(input.loop);
        return false;
    };
    input.context = pa_context_new(pa_threaded_mainloop_get_api(input.loop), "Ringvale");
    pa_context_set_state_callback(input.context, Input::changed, &input);
    if (pa_context_connect(input.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return fail();
    while (pa_context_get_state(input.context) != PA_CONTEXT_READY) {
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(input.context)))
            return fail();
        pa_threaded_mainloop_wait(input.loop);
    }
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_S16NE;
    spec.rate = kRate;
    spec.channels = 1;
    input.stream = pa_stream_new(input.context, "bell listener", &spec, nullptr);
    if (!input.stream)
        return fail();
    pa_stream_set_state_callback(input.stream, Input::streamChanged, &input);
    pa_stream_set_read_callback(input.stream, Input::readable, &input);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(kBlockFrames * sizeof(std::int16_t));
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_record(input.stream, m_source.c_str(), &attr, flags) < 0)
        return fail();
    while (pa_stream_get_state(input.stream) != PA_STREAM_READY) {
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(input.stream)))
            return fail();
        pa_threaded_mainloop_wait(input.loop);
    }
    pa_threaded_mainloop_unlock(input.loop);
    return true;
}

std::string BellListener::lastError() const {
    pa_threaded_mainloop_lock(m_input->loop);
    std::string error = m_input->lastError;
    pa_threaded_mainloop_unlock(m_input->loop);
    return error;
}

void BellListener::listenFor(WallTime onset, Done done) {
    pa_threaded_mainloop_lock(m_input->loop);
    if (m_input->stream && pa_stream_get_state(m_input->stream) == PA_STREAM_READY) {
        m_input->waiting.push_back({onset, std::move(done)});
        pa_threaded_mainloop_unlock(m_input->loop);
        return;
    }
    pa_threaded_mainloop_unlock(m_input->loop);
    Result nothing;
    nothing.listened = false;
    done(nothing);
}

} // namespace ringvale
