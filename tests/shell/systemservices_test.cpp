#include "core/codepage.h"
#include "core/filestore.h"
#include "shell/gbkqt.h"
#include "shell/systemservices.h"
#include "shell/trayicon.h"
#include "tempdir.h"

#include <QSystemTrayIcon>
#include <QTest>

#include <cstdlib>
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

// The one argument of an entry's Exec line, unescaped.
std::string execArgument(const std::string& entry) {
    const auto at = entry.find("\nExec=");
    if (at == std::string::npos)
        return {};
    const std::string raw = entry.substr(at + 6, entry.find('\n', at + 6) - at - 6);
    std::string value;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 == raw.size()) {
            value += raw[i];
            continue;
        }
        const char c = raw[++i];
        value += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c == 's' ? ' ' : c;
    }
    if (value.size() < 2 || value.front() != '"' || value.back() != '"')
        return {};
    std::string argument;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size())
            ++i;
        else if (value[i] == '%' && i + 2 < value.size() && value[i + 1] == '%')
            ++i;
        argument += value[i];
    }
    return argument;
}

// desktop-file-validate, where it is installed, accepts the entry.
void validateIfPossible(const std::filesystem::path& entry) {
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0)
        return;
    const std::string command = "desktop-file-validate '" + entry.string() + "'";
    QCOMPARE(std::system(command.c_str()), 0);
}

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

    // Any path a Linux file system allows comes back out of the entry's Exec, read the way the
    // desktop entry format says: string escapes first, then the quoted argument.
    void autostartEntryCarriesAnyExecutablePath() {
        auto system = services();
        const std::string name = "Ringvale";
        const auto entry = m_home.path() / "config" / "autostart" / "Ringvale.desktop";
        QCOMPARE(system.autostartEntry(name), entry);
        for (const std::string folder :
             {"opt dir", "back\\slash", "new\nline", "tab\there", "q\"uote`$%x", "铃声"}) {
            std::filesystem::create_directories(m_home.path() / folder);
            const auto exe = m_home.path() / folder / "ring$vale";
            QVERIFY(writeFileAtomic(exe, "#!/bin/sh\n"));
            QCOMPARE(system.registerAutoStart(name, exe), AutoStartResult::Registered);
            const std::string text = readWholeFile(entry).bytes;
            QVERIFY(text.starts_with("[Desktop Entry]\nType=Application\nName=Ringvale\n"));
            QCOMPARE(QString::fromStdString(execArgument(text)), QString::fromStdString(exe.string()));
            validateIfPossible(entry);
        }
        QVERIFY(system.cancelAutoStart(name));
        QVERIFY(!std::filesystem::exists(entry));
        QVERIFY(!system.cancelAutoStart(name)); // nothing left to remove
    }

    void autostartRefusesWhatItCannotRegister() {
        auto system = services();
        const auto notUtf8 = m_home.path() / "\xB0\xA1";
        QVERIFY(writeFileAtomic(notUtf8, "#!/bin/sh\n"));
        const std::pair<std::filesystem::path, AutoStartResult> cases[] = {
            {m_home.path() / "gone", AutoStartResult::NoExecutable},
            {m_home.path(), AutoStartResult::NoExecutable}, // a folder
            {{}, AutoStartResult::NoExecutable},
            {notUtf8, AutoStartResult::Unrepresentable},
        };
        for (const auto& [path, expected] : cases)
            QCOMPARE(system.registerAutoStart("Ringvale", path), expected);
        QVERIFY(!std::filesystem::exists(m_home.path() / "config" / "autostart" / "Ringvale.desktop"));
        QCOMPARE(system.registerAutoStart("../evil", notUtf8), AutoStartResult::BadName);
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
