#include "media/fanoutsink.h"

namespace ringvale {

FanOutSink::FanOutSink(std::vector<std::pair<std::string, AudioSink*>> outputs, AudioSink& fallback)
    : m_outputs(std::move(outputs)), m_fallback(fallback) {}

bool FanOutSink::begin() {
    std::vector<AudioSink*> active;
    std::vector<std::string> missing;
    for (const auto& [name, sink] : m_outputs) {
        if (sink && sink->begin())
            active.push_back(sink);
        else
            missing.push_back(name);
    }
    const bool onFallback = active.empty();
    if (onFallback && m_fallback.begin())
        active.push_back(&m_fallback);
    std::lock_guard lock(m_mutex);
    m_active = std::move(active);
    m_missing = std::move(missing);
    m_onFallback = onFallback;
    return !m_active.empty();
}

std::vector<AudioSink*> FanOutSink::active() const {
    std::lock_guard lock(m_mutex);
    return m_active;
}

bool FanOutSink::write(const std::int16_t* samples, std::size_t frames, const std::atomic<bool>& cancelled) {
    bool any = false;
    for (AudioSink* sink : active())
        any = sink->write(samples, frames, cancelled) || any;
    return any && !cancelled;
}

bool FanOutSink::writeAt(const std::int16_t* samples, std::size_t frames, WallTime heardAt,
                         const std::atomic<bool>& cancelled) {
    bool any = false;
    for (AudioSink* sink : active())
        any = sink->writeAt(samples, frames, heardAt, cancelled) || any;
    return any && !cancelled;
}

void FanOutSink::discard() {
    for (const auto& output : m_outputs)
        if (output.second)
            output.second->discard();
    m_fallback.discard();
}

std::string FanOutSink::deviceName() const {
    std::lock_guard lock(m_mutex);
    std::string name;
    for (const AudioSink* sink : m_active)
        name += (name.empty() ? "" : "+") + sink->deviceName();
    if (m_missing.empty())
        return name;
    std::string missing;
    for (const std::string& output : m_missing)
        missing += (missing.empty() ? "" : ", ") + output;
    return name + " (output " + missing + " missing" + (m_onFallback ? ": rang on the default output)" : ")");
}

std::string FanOutSink::lastError() const {
    return m_fallback.lastError();
}

} // namespace ringvale
