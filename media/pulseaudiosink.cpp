#include "media/pulseaudiosink.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

namespace ringvale {

namespace {
constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr std::size_t kFrameBytes = sizeof(std::int16_t) * kChannels;
// What the server is asked to hold: a bell's stop is heard at once, and a busy machine still
// keeps it fed.
constexpr auto kServerBuffer = std::chrono::milliseconds(10);
// What waits here beyond that, as the SDL output keeps.
constexpr auto kAhead = std::chrono::milliseconds(120);
// A bell is placed this long before it is heard: enough for a woken thread, little enough that
// nothing else is waiting to be heard in front of it.
constexpr auto kPlaceAhead = std::chrono::milliseconds(150);
constexpr auto kPlaceStep = std::chrono::milliseconds(10);
constexpr auto kIdleCheck = std::chrono::milliseconds(500);

std::size_t framesIn(std::chrono::microseconds span) {
    return static_cast<std::size_t>(span.count() * kRate / 1000000);
}

pa_sample_spec sampleSpec() {
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_S16NE;
    spec.rate = kRate;
    spec.channels = kChannels;
    return spec;
}
} // namespace

struct PulseAudioSink::Server {
    std::string sinkName;
    std::chrono::milliseconds idleClose;
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    std::deque<std::int16_t> queue; // under the loop's lock, as everything below
    std::string lastError;
    std::chrono::steady_clock::time_point lastActivity;
    bool ending = false;
    std::mutex closerMutex;
    std::condition_variable closerWake;

    struct Lock {
        explicit Lock(pa_threaded_mainloop* l) : loop(l) { pa_threaded_mainloop_lock(loop); }
        ~Lock() { pa_threaded_mainloop_unlock(loop); }
        pa_threaded_mainloop* loop;
    };

    static void contextChanged(pa_context*, void* self) {
        pa_threaded_mainloop_signal(static_cast<Server*>(self)->loop, 0);
    }
    static void streamChanged(pa_stream*, void* self) {
        pa_threaded_mainloop_signal(static_cast<Server*>(self)->loop, 0);
    }
    // The server wants more: what is queued, then silence.
    static void streamWants(pa_stream* stream, std::size_t bytes, void* self) {
        auto& server = *static_cast<Server*>(self);
        void* data = nullptr;
        std::size_t size = bytes;
        if (pa_stream_begin_write(stream, &data, &size) < 0 || !data)
            return;
        auto* out = static_cast<std::int16_t*>(data);
        const std::size_t samples = size / sizeof(std::int16_t);
        const std::size_t taken = std::min(samples, server.queue.size());
        std::copy_n(server.queue.begin(), taken, out);
        server.queue.erase(server.queue.begin(), server.queue.begin() + static_cast<std::ptrdiff_t>(taken));
        std::fill(out + taken, out + samples, std::int16_t{0});
        pa_stream_write(stream, data, size, nullptr, 0, PA_SEEK_RELATIVE);
        pa_threaded_mainloop_signal(server.loop, 0);
    }

    bool contextReady() const { return context && pa_context_get_state(context) == PA_CONTEXT_READY; }
    bool streamReady() const { return stream && pa_stream_get_state(stream) == PA_STREAM_READY; }

    void dropStream() {
        if (!stream)
            return;
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
        queue.clear();
    }

    void dropContext() {
        dropStream();
        if (!context)
            return;
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }

    bool connectLocked() {
        if (contextReady())
            return true;
        dropContext();
        context = pa_context_new(pa_threaded_mainloop_get_api(loop), "Ringvale");
        pa_context_set_state_callback(context, contextChanged, this);
        if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            lastError = pa_strerror(pa_context_errno(context));
            dropContext();
            return false;
        }
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (state == PA_CONTEXT_READY)
                return true;
            if (!PA_CONTEXT_IS_GOOD(state)) {
                lastError = pa_strerror(pa_context_errno(context));
                dropContext();
                return false;
            }
            pa_threaded_mainloop_wait(loop);
        }
    }

    bool openLocked() {
        if (streamReady())
            return true;
        dropStream();
        if (!connectLocked())
            return false;
        const pa_sample_spec spec = sampleSpec();
        stream = pa_stream_new(context, "bell", &spec, nullptr);
        if (!stream) {
            lastError = pa_strerror(pa_context_errno(context));
            return false;
        }
        pa_stream_set_state_callback(stream, streamChanged, this);
        pa_stream_set_write_callback(stream, streamWants, this);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.tlength = static_cast<std::uint32_t>(framesIn(kServerBuffer) * kFrameBytes);
        attr.prebuf = static_cast<std::uint32_t>(-1);
        attr.minreq = static_cast<std::uint32_t>(-1);
        attr.fragsize = static_cast<std::uint32_t>(-1);
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
        if (pa_stream_connect_playback(stream, sinkName.empty() ? nullptr : sinkName.c_str(), &attr, flags,
                                       nullptr, nullptr) < 0) {
            lastError = pa_strerror(pa_context_errno(context));
            dropStream();
            return false;
        }
        for (;;) {
            const pa_stream_state_t state = pa_stream_get_state(stream);
            if (state == PA_STREAM_READY)
                return true;
            if (!PA_STREAM_IS_GOOD(state)) {
                lastError = pa_strerror(pa_context_errno(context));
                dropStream();
                return false;
            }
            pa_threaded_mainloop_wait(loop);
        }
    }

    // How long until a frame handed to the server now is heard; none before the first timing.
    std::optional<std::chrono::microseconds> latencyLocked() const {
        pa_usec_t usec = 0;
        int negative = 0;
        if (!streamReady())
            return std::nullopt;
        // Not before the stream plays and the server said where it stands: until then the
        // figure may miss what the server holds.
        const pa_timing_info* timing = pa_stream_get_timing_info(stream);
        if (!timing || !timing->playing || pa_stream_get_latency(stream, &usec, &negative) < 0)
            return std::nullopt;
        return std::chrono::microseconds(negative ? -static_cast<std::int64_t>(usec)
                                                  : static_cast<std::int64_t>(usec));
    }

    // Asks the server where the stream stands now and waits for the answer, so the latency is not
    // interpolated from an older one.
    void refreshTimingLocked() {
        if (!streamReady())
            return;
        pa_operation* update = pa_stream_update_timing_info(stream, timingUpdated, this);
        if (!update)
            return;
        while (pa_operation_get_state(update) == PA_OPERATION_RUNNING)
            pa_threaded_mainloop_wait(loop);
        pa_operation_unref(update);
    }
    static void timingUpdated(pa_stream*, int, void* self) {
        pa_threaded_mainloop_signal(static_cast<Server*>(self)->loop, 0);
    }

    std::chrono::microseconds queuedLocked() const {
        return std::chrono::microseconds(static_cast<std::int64_t>(queue.size() / kChannels) * 1000000 /
                                         kRate);
    }

    void append(const std::int16_t* samples, std::size_t frames) {
        queue.insert(queue.end(), samples, samples + frames * kChannels);
        lastActivity = std::chrono::steady_clock::now();
    }

    void closeWhenIdle() {
        std::unique_lock closerLock(closerMutex);
        while (!ending) {
            closerWake.wait_for(closerLock, kIdleCheck);
            const Lock lock(loop);
            if (stream && queue.empty() && std::chrono::steady_clock::now() - lastActivity >= idleClose)
                dropStream();
        }
    }
};

PulseAudioSink::PulseAudioSink(std::string sinkName, std::chrono::milliseconds idleClose)
    : m_server(std::make_unique<Server>()) {
    m_server->sinkName = std::move(sinkName);
    m_server->idleClose = idleClose;
    m_server->loop = pa_threaded_mainloop_new();
    pa_threaded_mainloop_start(m_server->loop);
    m_closer = std::thread([server = m_server.get()] { server->closeWhenIdle(); });
}

PulseAudioSink::~PulseAudioSink() {
    {
        std::lock_guard lock(m_server->closerMutex);
        m_server->ending = true;
    }
    m_server->closerWake.notify_all();
    m_closer.join();
    {
        const Server::Lock lock(m_server->loop);
        m_server->dropContext();
    }
    pa_threaded_mainloop_stop(m_server->loop);
    pa_threaded_mainloop_free(m_server->loop);
}

bool PulseAudioSink::serverAvailable() {
    PulseAudioSink probe;
    const Server::Lock lock(probe.m_server->loop);
    return probe.m_server->connectLocked();
}

bool PulseAudioSink::begin() {
    const Server::Lock lock(m_server->loop);
    m_server->lastActivity = std::chrono::steady_clock::now();
    return m_server->openLocked();
}

bool PulseAudioSink::write(const std::int16_t* samples, std::size_t frames,
                           const std::atomic<bool>& cancelled) {
    Server& server = *m_server;
    const Server::Lock lock(server.loop);
    for (;;) {
        if (cancelled)
            return false;
        // The server restarted or the output went away: open it again and go on from here.
        if (!server.openLocked())
            return false;
        if (server.queuedLocked() < kAhead) {
            server.append(samples, frames);
            return true;
        }
        pa_threaded_mainloop_wait(server.loop); // each request of the server's, or a discard
    }
}

bool PulseAudioSink::writeAt(const std::int16_t* samples, std::size_t frames, WallTime heardAt,
                             const std::atomic<bool>& cancelled) {
    Server& server = *m_server;
    for (;;) {
        if (cancelled)
            return false;
        {
            const Server::Lock lock(server.loop);
            if (!server.openLocked())
                return false;
            server.lastActivity = std::chrono::steady_clock::now();
            server.refreshTimingLocked();
            const auto latency = server.latencyLocked();
            if (latency) {
                const auto now = std::chrono::system_clock::now();
                const auto lead = std::chrono::duration_cast<std::chrono::microseconds>(
                    heardAt - (now + *latency + server.queuedLocked()));
                if (lead <= kPlaceAhead) {
                    const std::vector<std::int16_t> silence(
                        framesIn(std::max(lead, std::chrono::microseconds(0))) * kChannels, 0);
                    server.append(silence.data(), silence.size() / kChannels);
                    server.append(samples, frames);
                    return true;
                }
            }
        }
        std::this_thread::sleep_for(kPlaceStep);
    }
}

void PulseAudioSink::discard() {
    const Server::Lock lock(m_server->loop);
    m_server->queue.clear();
    if (m_server->streamReady())
        if (pa_operation* flush = pa_stream_flush(m_server->stream, nullptr, nullptr))
            pa_operation_unref(flush);
    pa_threaded_mainloop_signal(m_server->loop, 0);
}

std::string PulseAudioSink::deviceName() const {
    return m_server->sinkName.empty() ? "pulseaudio" : "pulseaudio " + m_server->sinkName;
}

std::string PulseAudioSink::lastError() const {
    const Server::Lock lock(m_server->loop);
    return m_server->lastError;
}

bool PulseAudioSink::isOpen() const {
    const Server::Lock lock(m_server->loop);
    return m_server->streamReady();
}

std::chrono::microseconds PulseAudioSink::latency() const {
    const Server::Lock lock(m_server->loop);
    return m_server->latencyLocked().value_or(std::chrono::microseconds(0));
}

void PulseAudioSink::close() {
    const Server::Lock lock(m_server->loop);
    m_server->dropStream();
}

} // namespace ringvale
