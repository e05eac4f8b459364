#pragma once

// The settings file 系统配置.INI in the program directory. Every value is read from the file
// anew and written back at once by the control that changes it; nothing is cached.

#include "core/profilefile.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace ringvale {

// Section and key names of the settings file, in GBK.
namespace settings {
const std::string& systemSection();   // 系统设置
const std::string& timetableKey();    // 作息表
const std::string& autoStartKey();    // 自动启动
const std::string& toTrayKey();       // 到托盘
const std::string& songSection();     // 点歌台
const std::string& machineSection();  // SYSTEM
const std::string& shutdownTimeKey(); // 关机时间
const std::string& countyKey();       // 地址
} // namespace settings

class AppConfig {
public:
    explicit AppConfig(const std::filesystem::path& programDirectory);

    std::string read(std::string_view section, std::string_view key) const {
        return m_file.read(section, key);
    }
    // False (the old file whole) when the settings could not be written.
    [[nodiscard]] bool write(std::string_view section, std::string_view key, std::string_view value) const {
        return m_file.write(section, key, value);
    }

    // Writes; a failure goes to the problem reporter (the changed setting then lasts until the
    // program ends). The reporter is standard error until the program sets another.
    bool writeOrReport(std::string_view section, std::string_view key, std::string_view value) const;
    void setProblemReporter(std::function<void(const std::string&)> reporter) {
        m_reportProblem = std::move(reporter);
    }

    // A flag counts as set only when its value is exactly "1".
    bool readFlag(std::string_view section, std::string_view key) const { return read(section, key) == "1"; }

    const std::filesystem::path& path() const { return m_file.path(); }

private:
    ProfileFile m_file;
    std::function<void(const std::string&)> m_reportProblem;
};

} // namespace ringvale
