#pragma once

#include "campus/campusaddress.h"

#include <filesystem>
#include <optional>
#include <string>

namespace ringvale {

enum class CampusRole {
    Office,   // publishes the timetables and the music and sends the commands
    Building, // follows the office and rings by its own clock
};

// How this copy takes part in a campus: from the command line, or saved in 校园.INI beside the
// settings (GBK, CRLF: [校园] 地址=…, 总控=1 for the office, 允许无密码=1, 根证书=PEM file).
// The file holds the broker password and is readable by its owner alone.
struct CampusSetup {
    CampusAddress address;
    CampusRole role = CampusRole::Building;
    bool insecure = false; // a link without a user name and password is allowed
    // The certificate authority that signed the broker's certificate (a school's own), as a PEM
    // file; empty: the system's authorities.
    std::string caFile;

    bool operator==(const CampusSetup&) const = default;
};

inline constexpr const char* kCampusFileName = "校园.INI";

// Why this setup may not start a link (UTF-8), or empty when it may: a link without credentials
// needs `insecure`, so a broker anyone can write to never rings the school by accident.
std::string campusSetupProblem(const CampusSetup& setup);

struct CampusSetupRead {
    std::optional<CampusSetup> setup; // none: no campus saved
    std::string error;                // the saved address does not parse (UTF-8)
};
CampusSetupRead readCampusSetup(const std::filesystem::path& programDir);
// An empty address removes the file. False when it could not be written.
[[nodiscard]] bool writeCampusSetup(const std::filesystem::path& programDir,
                                    const std::optional<CampusSetup>& setup);

// 校园.INI's text with the password taken out of its address (for a backup), and a text from a
// backup given back the password of `current` when both name the same user, broker and campus.
std::string campusSetupWithoutPassword(std::string_view text);
std::string campusSetupWithPasswordOf(std::string_view restored, std::string_view current);

} // namespace ringvale
