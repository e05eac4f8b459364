#include "media/sdlaudiosink.h"

#include <SDL.h>

#include <algorithm>
#include <optional>
#include <thread>

namespace ringvale {

namespace {
// How much sound the device may hold ahead of the speaker: small enough that a stop is heard
// at once even if a queue flush were missed, large enough to ride over scheduling hiccups.
constexpr int kAheadMilliseconds = 120;
// 5.8 ms at 44.1 kHz: the device's own buffering stays small, so a bell is heard soon after
// its first samples are handed over. (The device is open only around playbacks.)
constexpr int kDevicePeriodFrames = 256;
constexpr auto kPollInterval = std::chrono::milliseconds(3);
constexpr auto kMinimumWait = std::chrono::milliseconds(2);
// A device lost in the middle of a playback is opened again for this long, with these waits.
constexpr auto kReopenDeadline = std::chrono::seconds(10);
constexpr auto kFirstReopenWait = std::chrono::milliseconds(50);
constexpr auto kLongestReopenWait = std::chrono::milliseconds(1000);
} // namespace

SdlAudioSink::SdlAudioSink(std::chrono::milliseconds idleClose)
    : m_idleClose(idleClose), m_closer([this] { closeWhenIdle(); }) {}

SdlAudioSink::~SdlAudioSink() {
    {
        std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_activity.notify_all();
    m_closer.join();
    close();
    std::lock_guard lock(m_mutex);
    if (m_subsystemUp)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlAudioSink::begin() {
    std::lock_guard lock(m_mutex);
    m_lastActivity = std::chrono::steady_clock::now();
    return openLocked();
}

void SdlAudioSink::prepare() {
    std::lock_guard lock(m_mutex);
    m_lastActivity = std::chrono::steady_clock::now();
    openLocked();
    m_activity.notify_all();
}

std::string SdlAudioSink::deviceName() const {
    std::lock_guard lock(m_mutex);
    return m_deviceName;
}

std::string SdlAudioSink::lastError() const {
    std::lock_guard lock(m_mutex);
    return m_lastError;
}

bool SdlAudioSink::isOpen() const {
    std::lock_guard lock(m_mutex);
    return m_device != 0;
}

bool SdlAudioSink::openLocked() {
    if (m_device != 0)
        return true;
    if (!m_subsystemUp) {
        // SDL would otherwise take SIGTERM and SIGINT for its own event queue, which nobody
        // reads: the program would no longer end on a power-off or a logout.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            m_lastError = SDL_GetError();
            return false;
        }
        m_subsystemUp = true;
    }
    SDL_AudioSpec want{};
    want.freq = m_format.sampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(m_format.channels);
    want.samples = kDevicePeriodFrames;
    SDL_AudioSpec have{};
    // SDL converts to whatever the device wants, so the queue always holds our own format.
    m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (m_device == 0) {
        m_lastError = SDL_GetError();
        return false;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    m_deviceName = driver ? driver : "sound output";
    SDL_PauseAudioDevice(m_device, 0);
    m_activity.notify_all();
    return true;
}

void SdlAudioSink::closeLocked() {
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);
        m_device = 0;
    }
}

void SdlAudioSink::closeWhenIdle() {
    std::unique_lock lock(m_mutex);
    while (!m_ending) {
        if (m_device == 0) {
            m_activity.wait(lock);
            continue;
        }
        const auto idleSince = m_lastActivity;
        if (std::chrono::steady_clock::now() - idleSince >= m_idleClose && queuedBytes() == 0) {
            closeLocked();
            continue;
        }
        m_activity.wait_until(
            lock, std::max(idleSince + m_idleClose, std::chrono::steady_clock::now() + kMinimumWait));
    }
}

std::uint32_t SdlAudioSink::queuedBytes() const {
    return m_device ? SDL_GetQueuedAudioSize(m_device) : 0;
}

bool SdlAudioSink::write(const std::int16_t* samples, std::size_t frames,
                         const std::atomic<bool>& cancelled) {
    const std::size_t frameBytes = sizeof(std::int16_t) * static_cast<std::size_t>(m_format.channels);
    const std::size_t bytesPerMs = static_cast<std::size_t>(m_format.sampleRate) * frameBytes / 1000;
    const std::uint32_t aheadBytes = static_cast<std::uint32_t>(bytesPerMs * kAheadMilliseconds);
    std::unique_lock lock(m_mutex);
    auto reopenWait = kFirstReopenWait;
    std::optional<std::chrono::steady_clock::time_point> reopenDeadline;
    for (;;) {
        if (cancelled)
            return false;
        // The sound server dropped the connection (it restarted, say): the device is lost. Open
        // it again, trying for a while, and go on with the bell from here.
        if (m_device != 0 && SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED)
            closeLocked();
        // A file that took longer to decode than the idle time finds the device closed: reopen it.
        if (!openLocked()) {
            const auto now = std::chrono::steady_clock::now();
            if (!reopenDeadline)
                reopenDeadline = now + kReopenDeadline;
            if (now + reopenWait > *reopenDeadline)
                return false;
            m_wake.wait_for(lock, reopenWait);
            reopenWait = std::min(reopenWait * 2, kLongestReopenWait);
            continue;
        }
        const std::uint32_t queued = queuedBytes();
        if (queued < aheadBytes) {
            m_lastActivity = std::chrono::steady_clock::now();
            return SDL_QueueAudio(m_device, samples, static_cast<Uint32>(frames * frameBytes)) == 0;
        }
        // Sleep until half of what is queued has played, so the worker wakes a few times a
        // second rather than for every decoded packet; a discard wakes it at once.
        const auto wait = std::chrono::milliseconds((queued - aheadBytes / 2) / bytesPerMs);
        m_wake.wait_for(lock, std::max(kMinimumWait, wait));
    }
}

void SdlAudioSink::discard() {
    {
        std::lock_guard lock(m_mutex);
        if (m_device != 0)
            SDL_ClearQueuedAudio(m_device);
    }
    m_wake.notify_all();
}

bool SdlAudioSink::waitUntilDrained(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (queuedBytes() == 0)
                return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

void SdlAudioSink::close() {
    std::lock_guard lock(m_mutex);
    closeLocked();
}

} // namespace ringvale
