#include "service/servicemain.h"

#include "campus/campusmessages.h"
#include "campus/campustopics.h"
#include "campus/commandsender.h"
#include "campus/mosquittolink.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "core/instancelock.h"
#include "core/journal.h"
#include "core/programdir.h"
#include "media/audioplayer.h"
#include "media/httpclient.h"
#include "media/loudnesslibrary.h"
#include "media/soundoutput.h"
#include "media/soundsettings.h"
#include "media/weatherprobe.h"
#include "service/bellservice.h"
#include "service/programbackup.h"
#include "service/servicenotifier.h"
#include "service/terminationwatch.h"

#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <unistd.h>

namespace ringvale {

namespace {
constexpr std::chrono::seconds kSendTimeout{10};
} // namespace

std::unique_ptr<MqttLink> makeCampusLink(const CampusSetup& setup) {
    const std::string role = setup.role == CampusRole::Office ? "office" : "building";
    return std::make_unique<MosquittoLink>(
        setup.address, role + "-" + setup.address.user + "-" + std::to_string(::getpid()), setup.caFile);
}

int runService(const CommandLine& line, EngineFaceFactory face) {
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
    removeStaleTemporariesEverywhere(programDir);

    const std::unique_ptr<AudioSink> sink = makeSoundOutput();
    // Every bell and song at one loudness, each file measured once in the background.
    LoudnessLibrary loudness(loudnessCachePath(programDir), readSoundSettings(programDir).targetLufs);
    AudioPlayer player(*sink);
    player.setGain([&loudness](const std::string& path) { return loudness.gainFor(toFileName(path)); });
    player.setOutputs(namedOutputsBeside(*sink));    // the zones a bell may ring in
    player.setEveryOutput(everyOutputBeside(*sink)); // an alarm sounds in all of them
    SystemClock clock;
    BellService::Services services{player,
                                   clock,
                                   loop,
                                   [] { return std::make_unique<CurlHttpClient>(); },
                                   WeatherProbe::hostFromEnvironment(),
                                   sendToJournal,
                                   campus.setup ? makeCampusLink(*campus.setup) : nullptr,
                                   systemClockSynchronised};
    services.face = std::move(face);
    BellService service(std::move(services), programDir, campus.setup);
    player.setReporter([&loop, &service](const PlaybackReport& report) {
        loop.post([&service, report] { service.playbackReport(report); });
    });
    std::fprintf(stderr, "ringvale: ringing the timetables in %s without a window\n", programDir.c_str());
    service.start();
    ServiceNotifier notifier;
    loop.run([&service, &notifier](WallTime due) {
        service.tick(due);
        notifier.ticked(service.statusLine());
    });
    player.setReporter(nullptr);
    player.stopAll();
    return 0;
}

std::optional<int> runBackupCommand(const CommandLine& line) {
    if (!line.backup && !line.restore)
        return std::nullopt;
    const auto programDir = resolveProgramDirectory(processEnv, executableDirectory());
    if (line.backup) {
        const BackupResult result = writeBackup(programDir, *line.backup);
        if (!result.error.empty()) {
            std::fprintf(stderr, "ringvale: %s\n", result.error.c_str());
            return 1;
        }
        std::printf("backed up %zu files to %s\n", result.files.size(), line.backup->c_str());
        return 0;
    }
    SystemClock clock;
    const BackupResult result = restoreBackup(programDir, *line.restore, clock);
    if (!result.error.empty()) {
        std::fprintf(stderr, "ringvale: %s\n", result.error.c_str());
        return 1;
    }
    for (const std::string& file : result.files)
        std::printf("restored\t%s\n", file.c_str());
    std::printf("the files it replaced are kept in %s\n", result.keptCopy.c_str());
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
    std::optional<std::string> music;
    if (command.kind != CampusCommand::Kind::Stop) {
        // Named as the office's records name it: its full path, in GBK.
        std::error_code error;
        const auto file = std::filesystem::absolute(std::filesystem::path(line.sendFile), error);
        FileRead read = readWholeFile(file, kLargestMusicFile);
        if (error || !read.ok()) {
            std::fprintf(stderr, "ringvale: %s cannot be read (or is larger than %zu MiB)\n",
                         line.sendFile.c_str(), kLargestMusicFile >> 20);
            return 2;
        }
        command.path = fromFileName(file);
        music = std::move(read.bytes);
    }

    const std::unique_ptr<MqttLink> link = makeCampusLink(*campus.setup);
    SystemClock clock;
    CommandSender sender(*link, CampusTopics(campus.setup->address.campus), clock);
    link->start();
    if (const auto why = sender.awaitConnection(kSendTimeout)) {
        std::fprintf(stderr, "ringvale: the campus broker could not be reached: %s\n", why->c_str());
        return 1;
    }
    const CommandSender::Outcome outcome = sender.send(command, music);
    link->stop();
    if (!outcome.error.empty()) {
        std::fprintf(stderr, "ringvale: %s\n", outcome.error.c_str());
        return 1;
    }
    for (const std::string& answer : outcome.lines)
        std::printf("%s\n", answer.c_str());
    if (outcome.lines.empty())
        std::fprintf(stderr, "ringvale: no building is online\n");
    return outcome.everyBuildingObeyed ? 0 : 1;
}

} // namespace ringvale
