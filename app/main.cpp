#include "appcontroller.h"
#include "audioplayer.h"
#include "clock.h"
#include "commandrunner.h"
#include "instancelock.h"
#include "mainwindow.h"
#include "programdir.h"
#include "qtdialogs.h"
#include "sdlaudiosink.h"
#include "weatherprobe.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

int main(int argc, char* argv[]) {
    using namespace ringvale;
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

    const auto programDir = resolveProgramDirectory(processEnv, executableDirectory());
    ensureProgramDirectory(programDir);
    const InstanceLock lock(programDir);
    if (!lock.acquired()) {
        QMessageBox::information(nullptr, QStringLiteral("Ringvale"),
                                 QString::fromUtf8("Ringvale 已经在运行中，同一套作息表不能再启动第二份。"));
        return 0;
    }
    // Only now, with the lock held, can no other copy be in the middle of a write.
    removeStaleTemporaries(programDir);
    removeStaleTemporaries(programDir / "tp");

    SdlAudioSink sink;
    AudioPlayer player(sink);
    SystemClock clock;
    ProcessRunner commands;
    QtDialogs dialogs;
    MainWindow window;
    AppController controller(window,
                             {player, clock, commands, dialogs, processEnv,
                              [] { return std::make_unique<CurlHttpClient>(); },
                              WeatherProbe::hostFromEnvironment(), executablePath()},
                             programDir);
    QObject::connect(&window, &MainWindow::programEndRequested, &app, [] { QApplication::exit(0); });
    window.show();
    controller.start();
    const int code = QApplication::exec();
    player.stopAll();
    return code;
}
