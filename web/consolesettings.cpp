#include "web/consolesettings.h"

#include "core/codepage.h"
#include "core/filestore.h"
#include "core/profilefile.h"

namespace ringvale {

namespace {
RINGVALE_GBK_TEXT(section, "网页控制台")
RINGVALE_GBK_TEXT(addressKey, "地址")
RINGVALE_GBK_TEXT(certKey, "证书")
RINGVALE_GBK_TEXT(keyKey, "密钥")

std::filesystem::path settingsPath(const std::filesystem::path& programDir) {
    return programDir / std::filesystem::u8path(kConsoleSettingsFileName);
}
} // namespace

ConsoleSettings readConsoleSettings(const std::filesystem::path& programDir) {
    const FileRead file = readWholeFile(settingsPath(programDir), 64 * 1024);
    if (!file.ok())
        return {};
    return {readProfileValue(file.bytes, section(), addressKey()),
            utf8FromGbk(readProfileValue(file.bytes, section(), certKey())),
            utf8FromGbk(readProfileValue(file.bytes, section(), keyKey()))};
}

bool writeConsoleSettings(const std::filesystem::path& programDir, const ConsoleSettings& settings) {
    std::string text = withProfileValue({}, section(), addressKey(), settings.address);
    text = withProfileValue(text, section(), certKey(), gbkFromUtf8(settings.certFile));
    text = withProfileValue(text, section(), keyKey(), gbkFromUtf8(settings.keyFile));
    return writeFileAtomic(settingsPath(programDir), text);
}

} // namespace ringvale
