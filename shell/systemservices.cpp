#include "shell/systemservices.h"

#include "core/codepage.h"
#include "core/filestore.h"

namespace ringvale {

namespace {

// The Exec value of a desktop entry: the path as one quoted argument, escaped first for the
// quoting rules and then for the string rules of the desktop-entry format.
std::string execValue(const std::string& path) {
    std::string quoted = "\"";
    for (char c : path) {
        switch (c) {
        case '"':
        case '`':
        case '$':
            quoted += "\\\\";
            quoted += c;
            break;
        case '\\':
            quoted += "\\\\\\\\";
            break;
        case '%':
            quoted += "%%";
            break;
        // The string escapes of the format; the quoted argument then holds the character itself.
        case '\n':
            quoted += "\\n";
            break;
        case '\t':
            quoted += "\\t";
            break;
        case '\r':
            quoted += "\\r";
            break;
        default:
            quoted += c;
        }
    }
    return quoted + "\"";
}

// UTF-8 without control characters other than the three the format can escape.
bool isRepresentable(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 && c != '\n' && c != '\t' && c != '\r')
            return false;
        if (c == 0x7F)
            return false;
        const int length = c < 0x80           ? 1
                           : (c >> 5) == 0x6  ? 2
                           : (c >> 4) == 0xE  ? 3
                           : (c >> 3) == 0x1E ? 4
                                              : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > text.size())
            return false;
        for (int k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80)
                return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\n') == std::string::npos;
}

} // namespace

SystemServices::SystemServices(CommandRunner& runner, EnvLookup env)
    : m_runner(runner), m_env(std::move(env)) {}

std::filesystem::path SystemServices::autostartEntry(std::string_view name) const {
    std::filesystem::path config;
    if (auto xdg = m_env("XDG_CONFIG_HOME");
        xdg && !xdg->empty() && std::filesystem::path(*xdg).is_absolute())
        config = *xdg;
    else
        config = std::filesystem::path(m_env("HOME").value_or("/tmp")) / ".config";
    return config / "autostart" / (utf8FromGbk(name) + ".desktop");
}

AutoStartResult SystemServices::registerAutoStart(std::string_view name,
                                                  const std::filesystem::path& executable, int mode) {
    (void)mode; // the registry and the shortcut mode both become the autostart entry here
    if (!isPlainName(utf8FromGbk(name)))
        return AutoStartResult::BadName;
    std::error_code ec;
    if (executable.empty() || !std::filesystem::is_regular_file(executable, ec))
        return AutoStartResult::NoExecutable;
    if (!isRepresentable(executable.string()))
        return AutoStartResult::Unrepresentable;
    const std::filesystem::path entry = autostartEntry(name);
    std::filesystem::create_directories(entry.parent_path(), ec);
    const std::string text = "[Desktop Entry]\nType=Application\nName=" + utf8FromGbk(name) +
                             "\nExec=" + execValue(executable.string()) +
                             "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
    return writeFileAtomic(entry, text) ? AutoStartResult::Registered : AutoStartResult::NotWritten;
}

bool SystemServices::cancelAutoStart(std::string_view name) {
    if (!isPlainName(utf8FromGbk(name)))
        return false;
    std::error_code ec;
    return std::filesystem::remove(autostartEntry(name), ec);
}

bool SystemServices::shutdownComputer(int mode, bool force) {
    std::vector<std::string> argv;
    switch (mode) {
    case 1:
        argv = {"systemctl", "poweroff"};
        break;
    case 2:
        argv = {"systemctl", "reboot"};
        break;
    case 3: {
        const std::string session = m_env("XDG_SESSION_ID").value_or("");
        argv = {"loginctl", "terminate-session", session.empty() ? "self" : session};
        break;
    }
    case 4:
        argv = {"systemctl", "suspend"};
        break;
    case 5:
        argv = {"systemctl", "hibernate"};
        break;
    default:
        return false;
    }
    if (force && mode != 3)
        argv.push_back("--ignore-inhibitors");
    return m_runner.run(argv) == 0;
}

} // namespace ringvale
