#pragma once

// The real main window and controller over a temporary program directory, with fakes for
// sound, dialogs, commands and the clock.

#include "core/codepage.h"
#include "core/filestore.h"
#include "fakelink.h"
#include "fakes.h"
#include "shell/appcontroller.h"
#include "shell/mainwindow.h"
#include "tempdir.h"

#include <QString>

#include <mutex>
#include <stdexcept>

namespace ringvale::testing {

class RecordingCommands final : public CommandRunner {
public:
    int run(const std::vector<std::string>& argv) override {
        std::lock_guard lock(mutex);
        commands.push_back(argv);
        return 1;
    }
    std::vector<std::vector<std::string>> taken() const {
        std::lock_guard lock(mutex);
        return commands;
    }
    mutable std::mutex mutex; // the power-off runs on a thread of its own
    std::vector<std::vector<std::string>> commands;
};

inline QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Writes a file a test needs; a test whose files cannot be written fails at once.
inline void mustWrite(const std::filesystem::path& path, std::string_view bytes) {
    if (!writeFileAtomic(path, bytes))
        throw std::runtime_error("cannot write " + path.string());
}

struct Harness {
    // With a role, this copy is that part of the campus "north", on a fake link (`campusLink`).
    explicit Harness(const std::string& springTimetable = {}, std::string weatherHost = "127.0.0.1:1",
                     std::optional<CampusRole> campusRole = {})
        : m_weatherHost(std::move(weatherHost)),
          m_campus(campusRole ? std::optional<CampusSetup>(CampusSetup{
                                    *parseCampusAddress("mqtt://office:pw@127.0.0.1/north").address,
                                    *campusRole,
                                    false,
                                    {}})
                              : std::nullopt),
          campusLink(m_campus ? new FakeLink : nullptr), m_campusLink(campusLink) {
        if (!springTimetable.empty())
            mustWrite(home.path() / "春季作息表.INI", springTimetable);
        mustWrite(home.path() / "ringvale-exe", "#!/bin/sh\n");
        std::filesystem::create_directories(home.path() / "tp");
    }
    void start() {
        window.show();
        controller.start();
    }
    std::string timetable(const char* name = "春季作息表.INI") const {
        return readWholeFile(home.path() / name).bytes;
    }

    TempDir home;
    std::string m_weatherHost; // the default is a closed port: every weather check fails at once
    std::optional<CampusSetup> m_campus;
    FakeLink* campusLink;                   // owned by m_campusLink, then by the controller
    std::unique_ptr<MqttLink> m_campusLink; // handed to the controller
    FakePlayback playback;
    PlaybackReportRelay playbackReports;
    FakeClock clock; // a Monday, 07:30:00
    RecordingCommands commands;
    FakeDialogs dialogs;
    MainWindow window;
    AppController controller{window,
                             {playback,
                              clock,
                              commands,
                              dialogs,
                              [this](const char* name) -> std::optional<std::string> {
                                  if (std::string(name) == "XDG_CONFIG_HOME")
                                      return (home.path() / "config").string();
                                  return std::nullopt;
                              },
                              [] { return std::make_unique<CurlHttpClient>(); },
                              m_weatherHost,
                              home.path() / "ringvale-exe",
                              playbackReports,
                              {},
                              [] { return std::optional<bool>(true); }},
                             home.path(),
                             m_campus,
                             std::move(m_campusLink)};
};

} // namespace ringvale::testing
