#include "core/codepage.h"
#include "core/filestore.h"
#include "shell/gbkqt.h"
#include "shell/systemservices.h"
#include "shell/trayicon.h"
#include "tempdir.h"

#include <QSystemTrayIcon>
#include <QTest>

#include <map>

using namespace ringvale;

namespace {

class RecordingRunner final : public CommandRunner {
public:
    int run(const std::vector<std::string>& argv) override {
        commands.push_back(argv);
        return exitStatus;
    }
    std::vector<std::vector<std::string>> commands;
    int exitStatus = 0;
};

} // namespace

class SystemServicesTest : public QObject {
    Q_OBJECT

    testing::TempDir m_home;
    RecordingRunner m_runner;

    SystemServices services(std::map<std::string, std::string> extra = {}) {
        extra.emplace("XDG_CONFIG_HOME", (m_home.path() / "config").string());
        return SystemServices(m_runner, [extra](const char* name) -> std::optional<std::string> {
            if (auto it = extra.find(name); it != extra.end())
                return it->second;
            return std::nullopt;
        });
    }

private slots:
    void init() { m_runner.commands.clear(); }

    void shutdownModesRunTheirCommands() {
        auto system = services({{"XDG_SESSION_ID", "c7"}});
        using Argv = std::vector<std::string>;
        const std::pair<int, Argv> plain[] = {{1, {"systemctl", "poweroff"}},
                                              {2, {"systemctl", "reboot"}},
                                              {3, {"loginctl", "terminate-session", "c7"}},
                                              {4, {"systemctl", "suspend"}},
                                              {5, {"systemctl", "hibernate"}}};
        for (const auto& [mode, argv] : plain) {
            m_runner.commands.clear();
            QVERIFY(system.shutdownComputer(mode));
            QCOMPARE(m_runner.commands, std::vector<Argv>{argv});
            m_runner.commands.clear();
            QVERIFY(system.shutdownComputer(mode, true));
            Argv forced = argv;
            if (mode != 3)
                forced.push_back("--ignore-inhibitors");
            QCOMPARE(m_runner.commands, std::vector<Argv>{forced});
        }
    }

    void shutdownOutsideTheModesRunsNothing() {
        auto system = services();
        for (int mode : {0, 6, -1, 100})
            QVERIFY(!system.shutdownComputer(mode, true));
        QVERIFY(m_runner.commands.empty());
    }

    void refusedShutdownIsFalse() {
        auto system = services();
        m_runner.exitStatus = 1;
        QVERIFY(!system.shutdownComputer(1, true));
        m_runner.exitStatus = -1;
        QVERIFY(!system.shutdownComputer(1, true));
        m_runner.exitStatus = 0;
        auto noSession = services();
        QVERIFY(noSession.shutdownComputer(3));
        QCOMPARE(m_runner.commands.back().back(), std::string("self"));
    }

    void autostartEntryIsWrittenAndCancelled() {
        auto system = services();
        const auto exeDir = m_home.path() / "opt dir";
        std::filesystem::create_directories(exeDir);
        const auto exe = exeDir / "ring$vale";
        writeFileAtomic(exe, "#!/bin/sh\n");
        const std::string name = "Ringvale";
        QVERIFY(system.registerAutoStart(name, fromFileName(exe)));
        const auto entry = m_home.path() / "config" / "autostart" / "Ringvale.desktop";
        QCOMPARE(system.autostartEntry(name), entry);
        const std::string text = readWholeFile(entry).bytes;
        QVERIFY(text.starts_with("[Desktop Entry]\n"));
        QVERIFY(text.find("\nType=Application\n") != std::string::npos);
        QVERIFY(text.find("\nName=Ringvale\n") != std::string::npos);
        const std::string exec = "\nExec=\"" + exeDir.string() + "/ring\\\\$vale\"\n";
        QVERIFY2(text.find(exec) != std::string::npos, text.c_str());

        QVERIFY(system.registerAutoStart(name, fromFileName(exe), 1)); // again: overwritten
        QVERIFY(system.cancelAutoStart(name));
        QVERIFY(!std::filesystem::exists(entry));
        QVERIFY(!system.cancelAutoStart(name)); // nothing left to remove
    }

    void movedExecutableRegistersNothing() {
        auto system = services();
        QVERIFY(!system.registerAutoStart("Ringvale", fromFileName(m_home.path() / "gone")));
        QVERIFY(!system.registerAutoStart("Ringvale", fromFileName(m_home.path()))); // a folder
        QVERIFY(!system.registerAutoStart("Ringvale", ""));
        QVERIFY(!std::filesystem::exists(m_home.path() / "config" / "autostart" / "Ringvale.desktop"));
        QVERIFY(!system.registerAutoStart("../evil", fromFileName(m_home.path())));
    }

    void trayTooltipIsCutAt62BytesOnACharacterBoundary() {
        TrayIcon tray;
        QVERIFY(!tray.isInstalled());
        tray.setTrayIcon(QIcon(QStringLiteral(":/ringvale/tray.png")), std::string("Ringvale"));
        QVERIFY(tray.isInstalled());
        QCOMPARE(tray.toolTip(), QStringLiteral("Ringvale"));
        tray.setTrayIcon(QIcon(QStringLiteral(":/ringvale/tray.png")), std::string(70, 'a'));
        QCOMPARE(tray.toolTip(), QString(62, QLatin1Char('a')));
        // 61 ASCII bytes then a double-byte character: the character would end at byte 63.
        tray.setTrayIcon(QIcon(QStringLiteral(":/ringvale/tray.png")),
                         std::string(61, 'b') + gbkFromUtf8("铃铃"));
        QCOMPARE(tray.toolTip(), QString(61, QLatin1Char('b')));
        tray.setTrayIcon(std::nullopt, std::nullopt);
        QVERIFY(!tray.isInstalled());
    }

    void activationReasonsBecomeTrayEvents() {
        QCOMPARE(trayEventKind(QSystemTrayIcon::Trigger), TrayEvent::Click);
        QCOMPARE(trayEventKind(QSystemTrayIcon::DoubleClick), TrayEvent::DoubleClick);
        QCOMPARE(trayEventKind(QSystemTrayIcon::Context), TrayEvent::Menu);
        QCOMPARE(trayEventKind(QSystemTrayIcon::MiddleClick), TrayEvent::None);
        QCOMPARE(trayEventKind(QSystemTrayIcon::Unknown), TrayEvent::None);
    }
};

QTEST_MAIN(SystemServicesTest)

#include "systemservices_test.moc"
