#include "campus/commandsender.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace ringvale {

namespace {

std::string randomId() {
    std::random_device device;
    const std::uint64_t value = (static_cast<std::uint64_t>(device()) << 32) ^ device();
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

} // namespace

CommandSender::CommandSender(MqttLink& link, CampusTopics topics, const Clock& clock)
    : m_link(link), m_topics(std::move(topics)), m_clock(clock) {
    m_link.subscribe(m_topics.allStatus());
    m_link.subscribe(m_topics.musicIndex());
    m_link.subscribe(m_topics.clock());
    m_link.setHandlers([this](const MqttLink::Message& received) { message(received); },
                       [this](bool connected, const std::string& why) {
                           const std::lock_guard lock(m_mutex);
                           m_connected = connected;
                           m_why = why;
                           m_changed.notify_all();
                       });
}

std::int64_t CommandSender::nowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(m_clock.now().time_since_epoch()).count();
}

std::optional<std::string> CommandSender::awaitConnection(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    if (m_changed.wait_for(lock, timeout, [this] { return m_connected.value_or(false); }))
        return std::nullopt;
    return m_why.empty() ? std::string("no answer") : m_why;
}

void CommandSender::message(const MqttLink::Message& received) {
    const CampusTopics::Parsed topic = m_topics.parse(received.topic);
    if (CampusTopics::oversize(topic.kind, received.topic, received.payload.size()))
        return;
    std::string why;
    const std::lock_guard lock(m_mutex);
    if (topic.kind == CampusTopics::Kind::Status) {
        if (auto status = decodeStatus(received.payload, why))
            m_buildings[topic.name] = std::move(*status);
    } else if (topic.kind == CampusTopics::Kind::MusicIndex) {
        if (auto index = decodeMusicIndex(received.payload, why))
            m_index = std::move(*index);
    } else if (topic.kind == CampusTopics::Kind::Clock) {
        m_clockSeen = decodeClock(received.payload, why);
    }
    m_changed.notify_all();
}

CommandSender::Outcome CommandSender::send(CampusCommand command, const std::optional<std::string>& music,
                                           std::chrono::milliseconds answerWait) {
    Outcome outcome;
    // A clock reading of our own that comes back says the broker has handed over all it retains
    // (the buildings' states, the music index) before it.
    const std::int64_t marker = nowMs();
    if (!m_link.publish(m_topics.clock(), encodeClock(marker), false)) {
        outcome.error = "the campus broker is not connected";
        return outcome;
    }
    std::vector<std::string> online;
    bool indexed = false;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, kSettleWait, [&] { return m_clockSeen == marker; });
        for (const auto& [user, status] : m_buildings)
            if (isOnlineAt(status, nowMs(), kSilentBuildingMs))
                online.push_back(user);
        if (music) {
            command.musicName = musicFileName(sha256Hex(*music), command.path);
            for (const MusicIndexEntry& entry : m_index)
                indexed = indexed || entry.fileName == command.musicName;
        }
    }
    // The music first, retained under its content's name as the timetables' music is: every
    // building, and one that joins later, stores it before the command arrives.
    if (music && !indexed &&
        (!m_link.publish(m_topics.music(command.musicName), encodeFile(*music), true) ||
         !m_link.waitUntilDelivered(std::chrono::seconds(30)))) {
        outcome.error = "the music could not be handed to the campus broker";
        return outcome;
    }
    command.id = randomId();
    command.sentMs = nowMs();
    if (!m_link.publish(m_topics.command(), encodeCommand(command), false) ||
        !m_link.waitUntilDelivered(kAnswerWait)) {
        outcome.error = "the command was not taken by the broker";
        return outcome;
    }
    std::unique_lock lock(m_mutex);
    const auto answered = [&](const std::string& user) { return m_buildings[user].commandId == command.id; };
    m_changed.wait_for(lock, answerWait, [&] { return std::all_of(online.begin(), online.end(), answered); });
    outcome.everyBuildingObeyed = !online.empty();
    for (const std::string& user : online) {
        const BuildingStatus& status = m_buildings[user];
        std::string line = user + "\t";
        if (status.commandId != command.id) {
            line += "no answer";
            outcome.everyBuildingObeyed = false;
        } else if (status.commandResult.starts_with("played ")) {
            line += "played\t" + status.commandResult.substr(7);
        } else if (status.commandResult == "stopped") {
            line += "stopped";
        } else {
            const std::string why = status.commandResult.starts_with("failed ")
                                        ? status.commandResult.substr(7)
                                        : status.commandResult;
            line += "failed\t" + why;
            outcome.everyBuildingObeyed = false;
        }
        outcome.lines.push_back(std::move(line));
    }
    return outcome;
}

} // namespace ringvale
