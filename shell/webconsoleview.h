#pragma once

#include "core/dialogs.h"
#include "web/consolesettings.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;

namespace ringvale {

// The web console's settings window: where it listens and, for HTTPS, the certificate and key.
// 保存 keeps them in 网页控制台.INI and restarts the console at once; an empty address turns it off.
class WebConsoleView final : public QWidget {
    Q_OBJECT
public:
    // Starts the console with the settings (nothing when the address is empty): empty, or why
    // not; `notices` gets what it says once. `describe` says where it runs now (Chinese).
    using Restart = std::function<std::string(const ConsoleSettings&, std::vector<std::string>* notices)>;
    using Describe = std::function<QString()>;

    WebConsoleView(std::filesystem::path programDir, Dialogs& dialogs, Restart restart, Describe describe,
                   QWidget* parent = nullptr);

    void reload();
    // Checks, keeps and applies the fields; false when refused or the console could not start.
    bool save();

private:
    std::filesystem::path m_programDir;
    Dialogs& m_dialogs;
    Restart m_restart;
    Describe m_describe;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_cert = nullptr;
    QLineEdit* m_key = nullptr;
    QLabel* m_state = nullptr;
};

} // namespace ringvale
