#include "campus/campusnode.h"

#include "core/codepage.h"

#include <limits>

namespace ringvale {

namespace {
WallTime wallTimeOfMs(std::int64_t ms) {
    return WallTime(std::chrono::duration_cast<WallTime::duration>(std::chrono::milliseconds(ms)));
}

bool isBellEvent(BellEvent event) {
    return event == BellEvent::Rang || event == BellEvent::Failed || event == BellEvent::Skipped ||
           event == BellEvent::Missed;
}
} // namespace

// A building's bells play the office's music from its own copy.
class CampusNode::BellPlayback final : public Playback {
public:
    BellPlayback(Playback& player, const MusicLibrary& music, bool resolving)
        : m_player(player), m_music(music), m_resolving(resolving) {}
    PlayId playFile(std::int32_t count, const std::string& path) override {
        return m_player.playFile(count, locate(path));
    }
    void stopAll() override { m_player.stopAll(); }
    void prepare() override { m_player.prepare(); }
    PlayId playBell(std::int32_t count, const std::string& path, const RuleSound& sound) override {
        return m_player.playBell(count, locate(path), sound);
    }
    void prepareBell(std::int32_t count, const std::string& path, const RuleSound& sound,
                     WallTime due) override {
        m_player.prepareBell(count, locate(path), sound, due);
    }
    void cancelPrepared() override { m_player.cancelPrepared(); }
    std::string locate(const std::string& path) const override {
        return m_resolving ? m_music.resolve(path) : m_player.locate(path);
    }

private:
    Playback& m_player;
    const MusicLibrary& m_music;
    bool m_resolving;
};

// The office's operator plays here and in every building.
class CampusNode::CommandPlayback final : public Playback {
public:
    CommandPlayback(CampusNode& node) : m_node(node) {}
    PlayId playFile(std::int32_t count, const std::string& path) override {
        const PlayId id = m_node.m_player.playFile(count, path);
        send({count < 0 ? CampusCommand::Kind::Alarm : CampusCommand::Kind::Play,
              count,
              path,
              m_node.nowMs(),
              {},
              {}});
        return id;
    }
    void stopAll() override {
        m_node.m_player.stopAll();
        send({CampusCommand::Kind::Stop, 0, {}, m_node.nowMs(), {}, {}});
    }
    void prepare() override { m_node.m_player.prepare(); }
    void cancelPrepared() override { m_node.m_player.cancelPrepared(); }
    std::string locate(const std::string& path) const override { return m_node.m_player.locate(path); }

private:
    void send(const CampusCommand& command) {
        if (!m_node.m_link->publish(m_node.m_topics.command(), encodeCommand(command), false))
            m_node.note("a command could not be sent to the buildings: the campus broker is not connected");
    }
    CampusNode& m_node;
};

CampusNode::CampusNode(const CampusSetup& setup, const std::filesystem::path& programDir,
                       std::unique_ptr<MqttLink> link, Playback& player, BellLog& log, const Clock& clock,
                       Post post, Engine engine, std::string version)
    : m_role(setup.role), m_topics(setup.address.campus), m_user(setup.address.user), m_link(std::move(link)),
      m_player(player), m_log(log), m_clock(clock), m_post(std::move(post)), m_engine(std::move(engine)),
      m_music(programDir) {
    m_status.version = std::move(version);
    const bool office = m_role == CampusRole::Office;
    m_bellPlayback = std::make_unique<BellPlayback>(player, m_music, !office);
    if (office) {
        m_commandPlayback = std::make_unique<CommandPlayback>(*this);
        m_publisher = std::make_unique<OfficePublisher>(*m_link, m_topics, programDir, clock);
        m_link->subscribe(m_topics.allStatus());
    } else {
        m_music.load();
        BuildingFollower::Events events;
        events.timetableStored = [this](int index) {
            m_post([this, index] {
                if (m_engine.timetableStored)
                    m_engine.timetableStored(index);
            });
        };
        events.timetableSelected = [this](int index) {
            m_post([this, index] {
                if (m_engine.timetableSelected)
                    m_engine.timetableSelected(index);
            });
        };
        events.command = [this](const CampusCommand& command) { m_post([this, command] { obey(command); }); };
        events.officeTime = [this](std::int64_t officeMs) { officeTime(officeMs); };
        events.note = [this](const std::string& text) { note(text); };
        m_follower = std::make_unique<BuildingFollower>(m_topics, programDir, m_music, std::move(events));
        m_link->subscribe(m_topics.everything());
        BuildingStatus gone;
        gone.version = m_status.version;
        m_link->setLastWill(m_topics.status(m_user), encodeStatus(gone));
    }
    m_link->setHandlers([this](const MqttLink::Message& received) { message(received); },
                        [this](bool connected, const std::string& why) { linkState(connected, why); });
}

CampusNode::~CampusNode() {
    stop();
}

Playback& CampusNode::bellPlayback() {
    return *m_bellPlayback;
}

Playback& CampusNode::commandPlayback() {
    return m_commandPlayback ? static_cast<Playback&>(*m_commandPlayback) : *m_bellPlayback;
}

void CampusNode::start() {
    m_link->start();
    if (m_publisher)
        m_publisher->start();
}

void CampusNode::stop() {
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopped)
            return;
        m_stopped = true;
    }
    if (m_publisher)
        m_publisher->stop();
    if (m_follower) {
        BuildingStatus status;
        {
            const std::lock_guard lock(m_mutex);
            m_status.online = false;
            m_status.atMs = nowMs();
            status = m_status;
        }
        if (m_link->publish(m_topics.status(m_user), encodeStatus(status), true))
            (void)m_link->waitUntilDelivered(kGoodbyeWait);
    }
    m_link->stop();
}

std::int64_t CampusNode::nowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(m_clock.now().time_since_epoch()).count();
}

void CampusNode::note(std::string text) {
    m_post([this, text = std::move(text)] { m_log.record(systemEntry(text)); });
}

void CampusNode::linkState(bool connected, const std::string& why) {
    if (connected) {
        note(m_role == CampusRole::Office ? "campus: connected to the broker; publishing to the buildings"
                                          : "campus: connected to the broker; following the office");
        if (m_publisher)
            m_publisher->connected();
        if (m_follower) {
            {
                const std::lock_guard lock(m_mutex);
                m_status.online = true;
            }
            publishStatus();
        }
    } else {
        note(m_role == CampusRole::Office
                 ? "campus: cut off from the broker (" + why + "); the buildings ring from their copies"
                 : "campus: cut off from the office (" + why + "); ringing from this building's copy");
    }
}

void CampusNode::message(const MqttLink::Message& received) {
    const CampusTopics::Parsed topic = m_topics.parse(received.topic);
    if (m_follower) {
        if (topic.kind == CampusTopics::Kind::Status && topic.name == m_user)
            return ownStatusSeen(received.payload);
        m_follower->onMessage(received);
        return;
    }
    if (topic.kind != CampusTopics::Kind::Status)
        return;
    if (const auto oversize = CampusTopics::oversize(topic.kind, received.topic, received.payload.size()))
        return note(*oversize);
    std::string why;
    const auto status = decodeStatus(received.payload, why);
    if (!status) {
        note("a message on " + received.topic + " that does not parse was ignored: " + why);
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_buildings[topic.name] = *status;
    }
    m_post([this] {
        if (m_engine.buildingsChanged)
            m_engine.buildingsChanged();
    });
}

void CampusNode::officeTime(std::int64_t officeMs) {
    bool due = false;
    {
        const std::lock_guard lock(m_mutex);
        // The first reading is told at once; later ones with the periodic status.
        due = !m_status.offsetMs || std::chrono::steady_clock::now() - m_statusSent >= kStatusPeriod;
        m_status.offsetMs = nowMs() - officeMs;
    }
    if (due)
        publishStatus();
}

void CampusNode::publishStatus() {
    std::string payload;
    {
        const std::lock_guard lock(m_mutex);
        m_status.atMs = nowMs();
        m_statusSent = std::chrono::steady_clock::now();
        payload = encodeStatus(m_status);
        m_statusPayload = payload;
    }
    m_link->publish(m_topics.status(m_user), payload, true);
}

void CampusNode::ownStatusSeen(const std::string& payload) {
    {
        const std::lock_guard lock(m_mutex);
        // Our own word coming back, or a goodbye being said; and at most once a second, so two
        // copies given the same name cannot flood the broker.
        if (payload == m_statusPayload || m_stopped ||
            std::chrono::steady_clock::now() - m_statusSent < std::chrono::seconds(1))
            return;
    }
    note("campus: this building's status was overwritten by another client; said again");
    publishStatus();
}

void CampusNode::obey(const CampusCommand& command) {
    std::int64_t offset = 0;
    {
        const std::lock_guard lock(m_mutex);
        offset = m_status.offsetMs.value_or(0);
    }
    // The office's send time on this building's clock, and the command's age by it. A stamp no
    // clock could show (it overflows either sum) is as far off as can be.
    std::int64_t sentHere = 0, age = 0;
    if (__builtin_add_overflow(command.sentMs, offset, &sentHere) ||
        __builtin_sub_overflow(nowMs(), sentHere, &age))
        age = command.sentMs > 0 ? std::numeric_limits<std::int64_t>::min()
                                 : std::numeric_limits<std::int64_t>::max();
    if (age > std::chrono::milliseconds(kStaleCommand).count()) {
        m_log.record(systemEntry("campus: a command from the office came " + std::to_string(age / 1000) +
                                 " s late and was not obeyed"));
        answer(command.id, "failed came " + std::to_string(age / 1000) + " s late");
        return;
    }
    if (age < -std::chrono::milliseconds(kEarlyCommand).count()) {
        m_log.record(systemEntry("campus: a command from the office is stamped " +
                                 std::to_string(-(age / 1000)) +
                                 " s ahead of the office's clock and was not obeyed"));
        answer(command.id, "failed stamped ahead of the office's clock");
        return;
    }
    BellEntry entry;
    if (command.kind == CampusCommand::Kind::Stop) {
        m_bellPlayback->stopAll();
        entry.event = BellEvent::Stopped;
        entry.detail = "stop from the office";
        m_log.record(std::move(entry));
        answer(command.id, "stopped");
        return;
    }
    const bool alarm = command.kind == CampusCommand::Kind::Alarm;
    // The office's path through this building's index, else the music the command names.
    std::string path = m_bellPlayback->locate(command.path);
    if (path == command.path && !command.musicName.empty())
        if (const auto named = m_music.fileNamed(command.musicName))
            path = *named;
    const PlayId id = m_player.playFile(alarm ? -1 : command.count, path);
    if (!command.id.empty() && id != 0)
        m_answers[id] = {command.id, sentHere};
    while (m_answers.size() > 16)
        m_answers.erase(m_answers.begin());
    entry.event = BellEvent::Played;
    entry.file = utf8FromGbk(command.path);
    entry.detail = alarm ? "alarm from the office" : "play from the office";
    m_log.expectOutcome(id, std::move(entry), wallTimeOfMs(sentHere));
}

void CampusNode::playbackReport(const PlaybackReport& report) {
    const auto found = m_answers.find(report.id);
    if (found == m_answers.end())
        return;
    const auto [commandId, sentHere] = found->second;
    m_answers.erase(found);
    const std::int64_t at =
        std::chrono::duration_cast<std::chrono::milliseconds>(report.at.time_since_epoch()).count();
    answer(commandId, report.kind == PlaybackReport::Kind::Sounding
                          ? "played " + std::to_string(at - sentHere)
                          : "failed " + report.detail);
}

void CampusNode::answer(const std::string& commandId, std::string result) {
    if (!m_follower || commandId.empty())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_status.commandId = commandId;
        m_status.commandResult = std::move(result);
    }
    publishStatus();
}

void CampusNode::entryRecorded(const BellEntry& entry) {
    if (!m_follower || !isBellEvent(entry.event))
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_status.lastBell =
            entry.due + " " + entry.timetable + " row " + std::to_string(entry.row) + " " + entry.file;
        m_status.lastResult =
            std::string(bellEventName(entry.event)) + (entry.detail.empty() ? "" : ": " + entry.detail);
    }
    publishStatus();
}

void CampusNode::soundAlarm(const std::string& path) {
    const PlayId id = commandPlayback().playFile(-1, path);
    BellEntry entry;
    entry.event = BellEvent::Played;
    entry.file = utf8FromGbk(path);
    entry.detail = "alarm, repeated until stopped";
    m_log.record(entry);
    m_log.expectOutcome(id, std::move(entry), std::nullopt);
}

std::vector<CampusNode::Building> CampusNode::buildings() const {
    const std::lock_guard lock(m_mutex);
    std::vector<Building> out;
    const std::int64_t now = nowMs();
    for (const auto& [user, status] : m_buildings) {
        Building building{user, status};
        building.status.online = isOnlineAt(status, now, std::chrono::milliseconds(kSilentBuilding).count());
        out.push_back(std::move(building));
    }
    return out;
}

} // namespace ringvale
