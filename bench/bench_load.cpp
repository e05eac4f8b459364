// Load time of a 1,000-rule timetable into the window's table, and the resident memory of the
// real program after start-up.

#include "benchfakes.h"
#include "benchutil.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "core/playback.h"
#include "core/timetableloader.h"
#include "shell/mainwindow.h"

#include <QApplication>

#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace ringvale;
using namespace ringvale::bench;

namespace {

std::string thousandRules() {
    std::string text;
    for (int i = 0; i < 1000; ++i) {
        text += "*{" + gbkFromUtf8("D:\\铃声\\第") + std::to_string(i) + ".mp3;1;0;1;1;1;1;1;0;";
        for (int k = 0; k < 21; ++k) {
            char slot[16];
            std::snprintf(slot, sizeof slot, "%02d:%02d:00;", 6 + k / 2, (k % 2) * 30);
            text += slot;
        }
        text += "}\r\n";
    }
    return text;
}

struct StartedProgram {
    long residentKilobytes = -1;
    double idleCpuPercent = -1;
};

double cpuSecondsOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14)
            utime = std::stol(field);
        if (i == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Starts the program offscreen with its own home folder, reads its resident memory after
// start-up and its CPU use over ten idle seconds with the window open.
StartedProgram startProgram(const std::filesystem::path& home) {
    const pid_t child = fork();
    if (child == 0) {
        setenv("RINGVALE_HOME", home.c_str(), 1);
        setenv("RINGVALE_WEATHER_HOST", "127.0.0.1:1", 1);
        execl(RINGVALE_EXECUTABLE, RINGVALE_EXECUTABLE, static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(3));
    StartedProgram result;
    std::ifstream status("/proc/" + std::to_string(child) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            result.residentKilobytes = std::stol(line.substr(6));
    }
    const double cpuStart = cpuSecondsOf(child);
    const auto wallStart = BenchClock::now();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    result.idleCpuPercent =
        100.0 * (cpuSecondsOf(child) - cpuStart) / (millisecondsSince(wallStart) / 1000.0);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return result;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const auto home = std::filesystem::temp_directory_path() / ("ringvale-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(home);
    const auto file = home / "春季作息表.INI";
    if (!writeFileAtomic(file, thousandRules())) {
        std::fprintf(stderr, "bench_load: cannot write %s\n", file.c_str());
        return 1;
    }

    MainWindow window;
    window.show();
    QApplication::processEvents();
    ScheduleState state;
    state.timetablePath = fromFileName(file);
    NullPlayback playback;
    NoBellLog log;
    ScheduleContext context{state, window, window, playback, log};

    constexpr int kRuns = 20;
    std::vector<double> loads;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = BenchClock::now();
        loadTimetable(context);
        QApplication::processEvents(); // the table repaints with its new rows
        loads.push_back(millisecondsSince(start));
    }
    report("load of a 1,000-rule timetable into the table", median(loads), "ms", "< 150 ms", kRuns);

    const StartedProgram program = startProgram(home);
    std::printf("%-58s %10.1f %-4s (target < 80 MB; one start with the 1,000-rule timetable)\n",
                "resident memory of ringvale after start-up",
                static_cast<double>(program.residentKilobytes) / 1024.0, "MB");
    std::printf("%-58s %10.3f %-4s (target < 0.5 %% of a core; over 10 s, clock ticking)\n",
                "idle CPU of ringvale with the window open", program.idleCpuPercent, "%");
    std::filesystem::remove_all(home);
    return 0;
}
