#include "core/calendarfile.h"
#include "core/clock.h"
#include "core/codepage.h"
#include "core/instancelock.h"
#include "core/journal.h"
#include "core/programdir.h"
#include "core/version.h"
#include "media/audioplayer.h"
#include "media/loudnesslibrary.h"
#include "media/soundoutput.h"
#include "media/soundsettings.h"
#include "media/weatherprobe.h"
#include "service/commandline.h"
#include "service/filecommands.h"
#include "service/servicemain.h"
#include "shell/appcontroller.h"
#include "shell/commandrunner.h"
#include "shell/mainwindow.h"
#include "shell/playbackreportrelay.h"
#include "shell/qtdialogs.h"
#include "shell/terminationsignals.h"
#include "web/webcommands.h"
#include "web/webconsole.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

namespace {

// Said once at start: the bells ring, but nothing the operator changes can be kept. Not modal,
// so an unattended start rings on.
void showReadOnlyNotice(const std::filesystem::path& programDir) {
    const QString text =
        QString::fromUtf8("程序目录 %1 不能写入：作息表和设置的修改都无法保存。铃声照常按作息表播放。")
            .arg(QString::fromStdString(programDir.string()));
    std::fprintf(stderr, "ringvale: the program directory %s cannot be written: changes cannot be saved\n",
                 programDir.c_str());
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8("提示..."), text);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("readOnlyNotice"));
    box->show();
}

// The campus link was refused: the bells ring from this copy's own timetables. Not modal either.
void showCampusRefused(const std::string& why) {
    std::fprintf(stderr, "ringvale: no campus link: %s\n", why.c_str());
    auto* box = new QMessageBox(
        QMessageBox::Warning, QString::fromUtf8("提示..."),
        QString::fromUtf8("没有连接校园：%1\n铃声照常按本机的作息表播放。").arg(QString::fromStdString(why)));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("campusRefusedNotice"));
    box->show();
}

// Everything the command line can ask for without a window; nullopt when it asks for the window.
std::optional<int> runWithoutWindow(const ringvale::CommandLine& line) {
    using namespace ringvale;
    if (!line.error.empty()) {
        std::fprintf(stderr, "ringvale: %s\n%s", line.error.c_str(), usageText());
        return 2;
    }
    if (line.help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (line.version) {
        std::printf("ringvale %s\n", kVersion);
        return 0;
    }
    if (const auto code = runFileCommand(line))
        return code;
    if (const auto code = runWebUserCommand(line))
        return code;
    if (const auto code = runBackupCommand(line))
        return code;
    if (line.send != CommandLine::Send::None)
        return sendCampusCommand(line);
    if (line.service) {
        if (const std::string why = saveWebOptions(resolveProgramDirectory(processEnv, executableDirectory()),
                                                   line.web, line.webCert, line.webKey);
            !why.empty()) {
            std::fprintf(stderr, "ringvale: %s\n", why.c_str());
            return 2;
        }
        return runService(line, makeWebConsole);
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace ringvale;
    const CommandLine line = parseCommandLine(argc, argv);
    if (const auto code = runWithoutWindow(line))
        return *code;
    TerminationSignals::blockInEveryThread();
    const bool haveDisplay =
        processEnv("DISPLAY") || processEnv("WAYLAND_DISPLAY") || processEnv("QT_QPA_PLATFORM");
    if (!haveDisplay) {
        std::fprintf(stderr, "ringvale: no graphical display found (DISPLAY and WAYLAND_DISPLAY are unset).\n"
                             "Start it from a desktop session, or without one under a virtual display:\n"
                             "    xvfb-run -a ringvale\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &app, [] { QApplication::exit(0); });

    const auto programDir = resolveProgramDirectory(processEnv, executableDirectory());
    ensureProgramDirectory(programDir);
    const InstanceLock lock(programDir);
    if (lock.heldElsewhere()) {
        QMessageBox::information(nullptr, QStringLiteral("Ringvale"),
                                 QString::fromUtf8("Ringvale 已经在运行中，同一套作息表不能再启动第二份。"));
        return 0;
    }
    // Only now, with the lock held, can no other copy be in the middle of a write.
    removeStaleTemporariesEverywhere(programDir);
    if (const std::string why = saveWebOptions(programDir, line.web, line.webCert, line.webKey);
        !why.empty()) {
        std::fprintf(stderr, "ringvale: %s\n", why.c_str());
        return 2;
    }

    // The sound device opens ahead of each bell and closes when idle (see makeSoundOutput).
    const std::unique_ptr<AudioSink> sink = makeSoundOutput();
    PlaybackReportRelay playbackReports;
    // Every bell and song at one loudness, each file measured once in the background.
    LoudnessLibrary loudness(loudnessCachePath(programDir), readSoundSettings(programDir).targetLufs);
    AudioPlayer player(*sink);
    player.setGain([&loudness](const std::string& path) { return loudness.gainFor(toFileName(path)); });
    player.setOutputs(namedOutputsBeside(*sink));    // the zones a bell may ring in
    player.setEveryOutput(everyOutputBeside(*sink)); // an alarm sounds in all of them
    player.setReporter(playbackReports.reporter());
    SystemClock clock;
    ProcessRunner commands;
    QtDialogs dialogs;
    MainWindow window;
    const CampusChoice campus = chooseCampus(line, programDir, std::cin);
    AppController controller(
        window,
        {player, clock, commands, dialogs, processEnv, [] { return std::make_unique<CurlHttpClient>(); },
         WeatherProbe::hostFromEnvironment(), executablePath(), playbackReports, sendToJournal,
         systemClockSynchronised},
        programDir, campus.setup, campus.setup ? makeCampusLink(*campus.setup) : nullptr);
    QObject::connect(&window, &MainWindow::programEndRequested, &app, [] { QApplication::exit(0); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window](QSessionManager& manager) {
        if (!window.answerEndOfSession() && manager.allowsInteraction()) {
            manager.cancel();
            manager.release();
        }
    });
    window.show();
    controller.start();
    if (!isWritableDirectory(programDir))
        showReadOnlyNotice(programDir);
    if (!campus.error.empty())
        showCampusRefused(campus.error);
    const int code = QApplication::exec();
    player.stopAll();
    return code;
}
