#include "service/servicemain.h"

#include "campus/campusmessages.h"
#include "campus/campustopics.h"
#include "campus/mosquittolink.h"
#include "core/instancelock.h"
#include "core/journal.h"
#include "core/programdir.h"
#include "media/audioplayer.h"
#include "media/httpclient.h"
#include "media/sdlaudiosink.h"
#include "media/weatherprobe.h"
#include "service/bellservice.h"
#include "service/terminationwatch.h"

#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <unistd.h>

namespace ringvale {

namespace {
constexpr std::chrono::seconds kSendTimeout{10};
}

std::unique_ptr<MqttLink> makeCampusLink(const CampusSetup& setup) {
    const std::string role = setup.role == CampusRole::Office ? "office" : "building";
    return std::make_unique<MosquittoLink>(
        setup.address, role + "-" + setup.address.user + "-" + std::to_string(::getpid()), setup.caFile);
}

int runService(const CommandLine& line) {
    ServiceLoop loop;
    // Before any other thread: the signals reach only the watch.
    const TerminationWatch termination([&loop](int) { loop.stop(); });

    const auto programDir = resolveProgramDirectory(processEnv, executableDirectory());
    ensureProgramDirectory(programDir);
    const CampusChoice campus = chooseCampus(line, programDir, std::cin);
    if (!campus.error.empty()) {
        std::fprintf(stderr, "ringvale: %s\n", campus.error.c_str());
        return 2;
    }
    const InstanceLock lock(programDir);
    if (lock.heldElsewhere()) {
        std::fprintf(stderr, "ringvale: another copy is already ringing the timetables in %s\n",
                     programDir.c_str());
        return 1;
    }
    removeStaleTemporaries(programDir);
    removeStaleTemporaries(programDir / "tp");

    SdlAudioSink sink;
    AudioPlayer player(sink);
    SystemClock clock;
    BellService::Services services{player,
                                   clock,
                                   loop,
                                   [] { return std::make_unique<CurlHttpClient>(); },
                                   WeatherProbe::hostFromEnvironment(),
                                   sendToJournal,
                                   campus.setup ? makeCampusLink(*campus.setup) : nullptr};
    BellService service(std::move(services), programDir, campus.setup);
    player.setReporter([&loop, &service](const PlaybackReport& report) {
        loop.post([&service, report] { service.playbackReport(report); });
    });
    std::fprintf(stderr, "ringvale: ringing the timetables in %s without a window\n", programDir.c_str());
    service.start();
    loop.run([&service](WallTime due) { service.tick(due); });
    player.setReporter(nullptr);
    player.stopAll();
    return 0;
}

int sendCampusCommand(const CommandLine& line) {
    const auto programDir = resolveProgramDirectory(processEnv, executableDirectory());
    const CampusChoice campus = chooseCampus(line, programDir, std::cin);
    if (!campus.error.empty() || !campus.setup) {
        std::fprintf(stderr, "ringvale: %s\n", campus.error.c_str());
        return 2;
    }
    CampusCommand command;
    command.kind = line.send == CommandLine::Send::Stop    ? CampusCommand::Kind::Stop
                   : line.send == CommandLine::Send::Alarm ? CampusCommand::Kind::Alarm
                                                           : CampusCommand::Kind::Play;
    command.count = command.kind == CampusCommand::Kind::Alarm ? -1 : 1;
    command.path = line.sendFile;

    const std::unique_ptr<MqttLink> link = makeCampusLink(*campus.setup);
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<bool> connected;
    std::string why;
    link->setHandlers({}, [&](bool up, const std::string& reason) {
        const std::lock_guard guard(mutex);
        connected = up;
        why = reason;
        changed.notify_all();
    });
    link->start();
    {
        std::unique_lock guard(mutex);
        changed.wait_for(guard, kSendTimeout, [&] { return connected.value_or(false); });
        if (!connected.value_or(false)) {
            std::fprintf(stderr, "ringvale: the campus broker could not be reached: %s\n",
                         why.empty() ? "no answer" : why.c_str());
            return 1;
        }
    }
    command.sentMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    const CampusTopics topics(campus.setup->address.campus);
    if (!link->publish(topics.command(), encodeCommand(command), false) ||
        !link->waitUntilDelivered(kSendTimeout)) {
        std::fprintf(stderr, "ringvale: the command was not taken by the broker\n");
        return 1;
    }
    link->stop();
    return 0;
}

} // namespace ringvale
