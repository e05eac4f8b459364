#include "core/appconfig.h"

#include "core/codepage.h"
#include "core/problemreport.h"
#include "core/programdir.h"

namespace ringvale {

namespace settings {

RINGVALE_GBK_TEXT(systemSection, "系统设置")
RINGVALE_GBK_TEXT(timetableKey, "作息表")
RINGVALE_GBK_TEXT(autoStartKey, "自动启动")
RINGVALE_GBK_TEXT(toTrayKey, "到托盘")
RINGVALE_GBK_TEXT(songSection, "点歌台")
RINGVALE_GBK_TEXT(machineSection, "SYSTEM")
RINGVALE_GBK_TEXT(shutdownTimeKey, "关机时间")
RINGVALE_GBK_TEXT(countyKey, "地址")

} // namespace settings

AppConfig::AppConfig(const std::filesystem::path& programDirectory)
    : m_file(programDirectory / kSettingsFileName) {}

bool AppConfig::writeOrReport(std::string_view section, std::string_view key, std::string_view value) const {
    if (write(section, key, value))
        return true;
    const std::string problem = "the setting [" + utf8FromGbk(section) + "] " + utf8FromGbk(key) +
                                " could not be saved in " + m_file.path().string();
    if (m_reportProblem)
        m_reportProblem(problem);
    else
        reportProblem(problem);
    return false;
}

} // namespace ringvale
