#pragma once

#include "campus/campussetup.h"

#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace ringvale {

// The program's own options. Whatever else is given is left for the window's toolkit.
struct CommandLine {
    bool service = false;                      // --service: the engine without a window
    bool help = false;                         // --help
    bool version = false;                      // --version
    std::optional<std::string> ringsOn;        // --rings-on YYYY-MM-DD
    std::optional<std::string> importHolidays; // --import-holidays FILE.ics
    bool dryRun = false;                       // --dry-run: say what an import would change
    std::optional<std::string> subscribe;      // --subscribe-holidays URL
    std::optional<std::string> unsubscribe;    // --unsubscribe-holidays URL
    std::optional<std::string> listen;         // --listen SOURCE | off | list
    std::optional<std::string> loudnessTarget; // --loudness-target LUFS
    // --export-timetable N FILE.csv, --import-timetable N FILE.csv
    enum class TimetableCsv { None, Export, Import };
    TimetableCsv timetableCsv = TimetableCsv::None;
    int csvTimetable = -1; // 0-16
    std::string csvFile;
    std::optional<std::string> web;          // --web [ADDRESS:]PORT (saved)
    std::optional<std::string> webCert;      // --web-cert FILE.pem (saved)
    std::optional<std::string> webKey;       // --web-key FILE.pem (saved)
    std::optional<std::string> webUser;      // --web-user NAME ROLE|remove
    std::string webUserRole;                 // viewer, operator, admin or remove
    std::optional<std::string> backup;       // --backup FILE.tar.gz
    std::optional<std::string> restore;      // --restore FILE.tar.gz
    std::optional<std::string> campus;       // --campus ADDRESS
    bool publish = false;                    // --publish: this copy is the office
    bool insecure = false;                   // --campus-insecure
    std::optional<std::string> passwordFile; // --campus-password-file FILE ("-": standard input)
    std::optional<std::string> caFile;       // --campus-ca FILE
    // One command to every building, sent as the office and then the program ends.
    enum class Send { None, Play, Alarm, Stop };
    Send send = Send::None;
    std::string sendFile; // --play FILE, --alarm FILE
    std::string error;    // the arguments make no sense (UTF-8); empty when they do
    std::vector<std::string> others;
};

CommandLine parseCommandLine(int argc, char* argv[]);

// The usage text of --help (UTF-8).
const char* usageText();

struct CampusChoice {
    std::optional<CampusSetup> setup; // none: no campus
    std::string error;                // the address or the setup cannot be used
};
// The campus from the command line, or else the one saved in the program directory. A password
// is never taken from the command line (every local user can read it there): it comes from the
// saved link, from --campus-password-file, or from `input` when that file is "-".
CampusChoice chooseCampus(const CommandLine& line, const std::filesystem::path& programDir,
                          std::istream& input);

} // namespace ringvale
