#include "appconfig.h"

#include "codepage.h"
#include "programdir.h"

namespace ringvale {

namespace settings {

#define RINGVALE_NAME(function, utf8)                                                                                  \
    const std::string& function() {                                                                                    \
        static const std::string name = gbkFromUtf8(utf8);                                                             \
        return name;                                                                                                   \
    }

RINGVALE_NAME(systemSection, "系统设置")
RINGVALE_NAME(timetableKey, "作息表")
RINGVALE_NAME(autoStartKey, "自动启动")
RINGVALE_NAME(toTrayKey, "到托盘")
RINGVALE_NAME(songSection, "点歌台")
RINGVALE_NAME(machineSection, "SYSTEM")
RINGVALE_NAME(shutdownTimeKey, "关机时间")
RINGVALE_NAME(countyKey, "地址")

#undef RINGVALE_NAME

} // namespace settings

AppConfig::AppConfig(const std::filesystem::path& programDirectory) : m_file(programDirectory / kSettingsFileName) {}

} // namespace ringvale
