#include "core/belllog.h"

#include <array>
#include <utility>

namespace ringvale {

namespace {

constexpr std::array<std::pair<BellEvent, std::string_view>, 8> kNames = {{
    {BellEvent::Rang, "rang"},
    {BellEvent::Failed, "failed"},
    {BellEvent::Skipped, "skipped"},
    {BellEvent::Missed, "missed"},
    {BellEvent::Played, "played"},
    {BellEvent::Stopped, "stopped"},
    {BellEvent::System, "system"},
    {BellEvent::Heard, "heard"},
}};

} // namespace

std::string_view bellEventName(BellEvent event) {
    for (const auto& [known, name] : kNames)
        if (known == event)
            return name;
    return "system";
}

std::optional<BellEvent> bellEventNamed(std::string_view name) {
    for (const auto& [known, knownName] : kNames)
        if (knownName == name)
            return known;
    return std::nullopt;
}

} // namespace ringvale
