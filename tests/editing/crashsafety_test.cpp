// The program's writers killed at random points, many times over: every file they write must
// always hold its old or its new content, never a torn mixture. Each writer runs a fixed,
// repeatable sequence of changes; the contents it passes through are worked out first without
// a kill, then the same sequence runs in a child process that is killed at a random moment.

#include "core/appconfig.h"
#include "core/codepage.h"
#include "core/filestore.h"
#include "core/timetableloader.h"
#include "editing/ruleeditor.h"
#include "editing/timetablecommands.h"
#include "fakes.h"
#include "fixtures.h"
#include "media/iconconverter.h"
#include "records.h"
#include "support.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using namespace ringvale;
using namespace ringvale::testing;

namespace {

class NoEditorHost : public RuleEditorHost {
public:
    void openRuleEditor() override {}
    void timetableSwitched() override {}
};

// Everything one writer needs, over one program directory.
struct Workbench : FakeSchedule {
    explicit Workbench(const std::filesystem::path& dir)
        : config(dir), commands(context, editor, config, dialogs, host, fromFileName(dir)) {
        state.timetablePath = fromFileName(dir / "春季作息表.INI");
        dialogs.answerYes = true;
    }
    EditorState editor;
    FakeDialogs dialogs;
    NoEditorHost host;
    AppConfig config;
    TimetableCommands commands;
    RuleEditor editing{context, editor, dialogs};
    FakeEditorView view;
};

struct Writer {
    const char* name;
    std::function<void(const std::filesystem::path& dir)> prepare; // the files before the first step
    std::function<void(Workbench& bench, int step)> step;          // one change
    std::vector<std::string> files;                                // the files it writes
};

constexpr int kSteps = 120;

std::string content(const std::filesystem::path& file) {
    const FileRead read = readWholeFile(file);
    return read.ok()
               ? read.bytes
               : "<" + std::string(read.status == FileRead::Status::Missing ? "missing" : "unreadable") + ">";
}

void saveRule(Workbench& bench, int step) {
    bench.view.current.musicPath = "/srv/bells/bell" + std::to_string(step) + ".mp3";
    bench.view.current.times[0] = "08:00:00";
    bench.editing.save(bench.view);
}

std::vector<Writer> writers() {
    const std::string icons[2] = {readWholeFile(toFileName(fixture("weather_icon.png"))).bytes,
                                  readWholeFile(toFileName(fixture("weather_gray.png"))).bytes};
    return {
        {"rule editor save",
         [](const auto&) {},
         [](Workbench& bench, int step) {
             bench.editor.mode = EditorState::Mode::Add;
             bench.editing.init(bench.view, -1);
             saveRule(bench, step);
         },
         {"春季作息表.INI"}},
        {"rule editor modify",
         [](const auto& dir) {
             (void)writeFileAtomic(dir / "春季作息表.INI", record("a.mp3", "1", "0111110", {"07:00:00"}) +
                                                               record("b.mp3", "1", "0111110", {"12:00:00"}));
         },
         [](Workbench& bench, int step) {
             loadTimetable(bench.context);
             bench.editor.mode = EditorState::Mode::Modify;
             bench.editing.init(bench.view, 2);
             bench.view.current.countText = std::to_string(step);
             bench.editing.save(bench.view);
         },
         {"春季作息表.INI"}},
        {"delete",
         [](const auto& dir) {
             std::string text;
             for (int i = 0; i < kSteps; ++i)
                 text += record("r" + std::to_string(i) + ".mp3", "1", "0111110", {"09:00:00"});
             (void)writeFileAtomic(dir / "春季作息表.INI", text);
         },
         [](Workbench& bench, int) {
             loadTimetable(bench.context);
             bench.table.cursorRow = 1;
             bench.commands.deleteRule();
         },
         {"春季作息表.INI"}},
        {"clear and refill",
         [](const auto&) {},
         [](Workbench& bench, int step) {
             if (step % 2) {
                 bench.commands.clearTimetable();
             } else {
                 bench.editor.mode = EditorState::Mode::Add;
                 bench.editing.init(bench.view, -1);
                 saveRule(bench, step);
             }
         },
         {"春季作息表.INI"}},
        {"settings",
         [](const auto&) {},
         [](Workbench& bench, int step) {
             // One write a step, so every content the file passes through is known.
             if (step % 2)
                 (void)bench.config.write(settings::systemSection(), settings::timetableKey(),
                                          std::to_string(step % 17));
             else
                 (void)bench.config.write(settings::songSection(), std::to_string(1 + step % 20),
                                          std::string(900, 'p') + std::to_string(step));
         },
         {"系统配置.INI"}},
        {"icon cache",
         [](const auto& dir) { std::filesystem::create_directories(dir / "tp"); },
         [icons](Workbench& bench, int step) {
             const auto dir =
                 std::filesystem::path(toFileName(bench.state.timetablePath)).parent_path() / "tp";
             (void)writeFileAtomic(dir / "qing.PNG", icons[step % 2]);
             convertPngToJpeg(dir / "qing.PNG", dir / "qing.JPG");
         },
         {"tp/qing.PNG", "tp/qing.JPG"}},
    };
}

TEST(CrashSafety, KilledWritersLeaveTheOldOrTheNewFile) {
    std::mt19937 rng(2026);
    int totalRuns = 0, totalChecks = 0;
    for (const Writer& writer : writers()) {
        // The contents each file passes through, worked out without a kill.
        std::vector<std::set<std::string>> allowed(writer.files.size());
        {
            TempDir dir;
            writer.prepare(dir.path());
            Workbench bench(dir.path());
            for (std::size_t f = 0; f < writer.files.size(); ++f)
                allowed[f].insert(content(dir.path() / writer.files[f]));
            for (int step = 0; step < kSteps; ++step) {
                writer.step(bench, step);
                for (std::size_t f = 0; f < writer.files.size(); ++f)
                    allowed[f].insert(content(dir.path() / writer.files[f]));
            }
            ASSERT_GT(allowed[0].size(), 2u) << writer.name;
        }
        for (int run = 0; run < 30; ++run) {
            TempDir dir;
            writer.prepare(dir.path());
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                Workbench bench(dir.path());
                for (int step = 0; step < kSteps; ++step)
                    writer.step(bench, step);
                _exit(0);
            }
            usleep(std::uniform_int_distribution<useconds_t>(200, 60000)(rng));
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
            ++totalRuns;
            for (std::size_t f = 0; f < writer.files.size(); ++f) {
                const std::string now = content(dir.path() / writer.files[f]);
                ASSERT_TRUE(allowed[f].count(now)) << writer.name << ": " << writer.files[f] << " is torn";
                ++totalChecks;
            }
            // The timetable still loads.
            Workbench check(dir.path());
            loadTimetable(check.context);
            EXPECT_FALSE(check.state.timetableUnreadable);
        }
    }
    std::printf("crash safety: %d writer runs killed at random points, %d files checked, all old or new\n",
                totalRuns, totalChecks);
}

} // namespace
