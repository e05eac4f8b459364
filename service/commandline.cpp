#include "service/commandline.h"

#include "core/filestore.h"

#include <cstdlib>
#include <cstring>

namespace ringvale {

const char* usageText() {
    return "usage: ringvale [--campus ADDRESS [--publish] [--campus-insecure]] [--service]\n"
           "       ringvale --rings-on YYYY-MM-DD | --import-holidays FILE.ics\n"
           "       ringvale --subscribe-holidays URL | --unsubscribe-holidays URL\n"
           "       ringvale --export-timetable N FILE.csv | --import-timetable N FILE.csv\n"
           "       ringvale --listen SOURCE | off | list | --loudness-target LUFS\n"
           "       ringvale --web-user NAME viewer|operator|admin|remove   (password on standard input)\n"
           "       ringvale --backup FILE.tar.gz | --restore FILE.tar.gz\n"
           "       ringvale --campus ADDRESS --publish --play FILE | --alarm FILE | --stop\n"
           "\n"
           "  --service            ring without a window (for a systemd user service)\n"
           "  --campus ADDRESS     join a campus: mqtt://USER@HOST[:PORT]/CAMPUS (mqtts:// for TLS)\n"
           "  --publish            this copy is the office: the buildings follow its timetables\n"
           "  --campus-insecure    allow a campus link without a user name and password\n"
           "  --campus-password-file FILE\n"
           "                       the campus password: the first line of FILE (- reads standard input)\n"
           "  --campus-ca FILE     trust the certificate authority in FILE (PEM) for mqtts://\n"
           "  --play FILE          play FILE once in every building, then end\n"
           "  --alarm FILE         repeat FILE in every building until stopped, then end\n"
           "  --stop               stop what plays in every building, then end\n"
           "  --rings-on DATE      print the timetable and bells of a day\n"
           "  --import-holidays F  add the all-day events of an iCalendar file as days without bells\n"
           "  --dry-run            with --import-holidays: print the days of the next 8 weeks that\n"
           "                       would ring differently (DATE<TAB>BEFORE<TAB>AFTER), write nothing;\n"
           "                       with --subscribe-holidays: the same for the feed's first fetch\n"
           "  --subscribe-holidays URL  follow a holiday calendar (http, https, webcal): fetched now,\n"
           "                       at each start and once a day; only its own entries are replaced\n"
           "  --unsubscribe-holidays URL  stop following it and remove the entries it brought\n"
           "  --export-timetable N F.csv  write timetable N (0-16) as a spreadsheet (UTF-8, CRLF)\n"
           "  --import-timetable N F.csv  replace timetable N's rules by the rows of a spreadsheet\n"
           "  --listen SOURCE      confirm every bell by listening on this sound server input (a\n"
           "                       microphone near a speaker, or OUTPUT.monitor): each bell is logged\n"
           "                       heard, or failed: not heard (saved; off stops; list shows inputs)\n"
           "  --loudness-target LUFS  the loudness every bell and song is brought to, -30 to -10\n"
           "                       (saved; -18 unless set)\n"
           "  --web [ADDRESS:]PORT the web console on this port (saved; --web off turns it off)\n"
           "  --web-cert FILE, --web-key FILE   serve the console over HTTPS with this PEM pair (saved)\n"
           "  --web-user NAME ROLE add or change a console user (a password of 10 or more characters is\n"
           "                       read from standard input); ROLE remove takes the user away\n"
           "  --backup FILE.tar.gz   save the timetables, their flags, the calendar, the settings and\n"
           "                       the campus link (without its password)\n"
           "  --restore FILE.tar.gz  put a backup back (what it replaces is kept in 备份/)\n"
           "  --version, --help\n";
}

CommandLine parseCommandLine(int argc, char* argv[]) {
    CommandLine line;
    const auto valueOf = [&](int& i, const char* option) -> std::optional<std::string> {
        if (i + 1 >= argc) {
            line.error = std::string(option) + " needs a value";
            return std::nullopt;
        }
        return std::string(argv[++i]);
    };
    for (int i = 1; i < argc && line.error.empty(); ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--service") == 0) {
            line.service = true;
        } else if (std::strcmp(arg, "--help") == 0) {
            line.help = true;
        } else if (std::strcmp(arg, "--version") == 0) {
            line.version = true;
        } else if (std::strcmp(arg, "--publish") == 0) {
            line.publish = true;
        } else if (std::strcmp(arg, "--campus-insecure") == 0) {
            line.insecure = true;
        } else if (std::strcmp(arg, "--stop") == 0) {
            line.send = CommandLine::Send::Stop;
        } else if (std::strcmp(arg, "--rings-on") == 0) {
            line.ringsOn = valueOf(i, arg);
        } else if (std::strcmp(arg, "--import-holidays") == 0) {
            line.importHolidays = valueOf(i, arg);
        } else if (std::strcmp(arg, "--subscribe-holidays") == 0) {
            line.subscribe = valueOf(i, arg);
        } else if (std::strcmp(arg, "--unsubscribe-holidays") == 0) {
            line.unsubscribe = valueOf(i, arg);
        } else if (std::strcmp(arg, "--listen") == 0) {
            line.listen = valueOf(i, arg);
        } else if (std::strcmp(arg, "--loudness-target") == 0) {
            line.loudnessTarget = valueOf(i, arg);
        } else if (std::strcmp(arg, "--export-timetable") == 0 ||
                   std::strcmp(arg, "--import-timetable") == 0) {
            line.timetableCsv =
                arg[2] == 'e' ? CommandLine::TimetableCsv::Export : CommandLine::TimetableCsv::Import;
            const std::string index = valueOf(i, arg).value_or("");
            const std::string file = line.error.empty() ? valueOf(i, arg).value_or("") : std::string();
            char* end = nullptr;
            const long n = std::strtol(index.c_str(), &end, 10);
            if (line.error.empty() && (index.empty() || *end != '\0' || n < 0 || n > 16))
                line.error = std::string(arg) + " needs a timetable index 0-16, not \"" + index + "\"";
            line.csvTimetable = static_cast<int>(n);
            line.csvFile = file;
        } else if (std::strcmp(arg, "--dry-run") == 0) {
            line.dryRun = true;
        } else if (std::strcmp(arg, "--web") == 0) {
            line.web = valueOf(i, arg);
        } else if (std::strcmp(arg, "--web-cert") == 0) {
            line.webCert = valueOf(i, arg);
        } else if (std::strcmp(arg, "--web-key") == 0) {
            line.webKey = valueOf(i, arg);
        } else if (std::strcmp(arg, "--web-user") == 0) {
            line.webUser = valueOf(i, arg);
            if (line.error.empty())
                line.webUserRole = valueOf(i, arg).value_or("");
        } else if (std::strcmp(arg, "--backup") == 0) {
            line.backup = valueOf(i, arg);
        } else if (std::strcmp(arg, "--restore") == 0) {
            line.restore = valueOf(i, arg);
        } else if (std::strcmp(arg, "--campus") == 0) {
            line.campus = valueOf(i, arg);
        } else if (std::strcmp(arg, "--campus-password-file") == 0) {
            line.passwordFile = valueOf(i, arg);
        } else if (std::strcmp(arg, "--campus-ca") == 0) {
            line.caFile = valueOf(i, arg);
        } else if (std::strcmp(arg, "--play") == 0 || std::strcmp(arg, "--alarm") == 0) {
            line.send = arg[2] == 'p' ? CommandLine::Send::Play : CommandLine::Send::Alarm;
            line.sendFile = valueOf(i, arg).value_or("");
        } else if (std::strncmp(arg, "--", 2) == 0 && std::strcmp(arg, "--") != 0) {
            line.error = std::string("unknown option ") + arg;
        } else {
            line.others.emplace_back(arg);
        }
    }
    if (line.error.empty() && line.dryRun && !line.importHolidays && !line.subscribe)
        line.error = "--dry-run goes with --import-holidays or --subscribe-holidays";
    if (line.error.empty() && (line.publish || line.insecure || line.passwordFile) && !line.campus)
        line.error = "--publish, --campus-insecure and --campus-password-file go with --campus";
    if (line.error.empty() && line.send != CommandLine::Send::None && (!line.campus || !line.publish))
        line.error = "--play, --alarm and --stop are sent as the office: give --campus ADDRESS --publish";
    return line;
}

namespace {

// The first line of the file (or of `input` for "-"), without its line end.
std::optional<std::string> readPasswordLine(const std::string& file, std::istream& input,
                                            std::string& error) {
    std::string line;
    if (file == "-") {
        if (!std::getline(input, line)) {
            error = "--campus-password-file -: nothing came on standard input";
            return std::nullopt;
        }
    } else {
        const FileRead read = readWholeFile(file, 64 * 1024);
        if (!read.ok()) {
            error = "--campus-password-file " + file + ": cannot be read";
            return std::nullopt;
        }
        line = read.bytes.substr(0, read.bytes.find('\n'));
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace

CampusChoice chooseCampus(const CommandLine& line, const std::filesystem::path& programDir,
                          std::istream& input) {
    CampusChoice choice;
    if (line.campus) {
        CampusAddressParse parsed = parseCampusAddress(*line.campus);
        if (!parsed.address)
            return {std::nullopt,
                    "--campus: " + parsed.error}; // the address may hold a password: not repeated
        if (!parsed.address->password.empty())
            return {std::nullopt,
                    "--campus: a password on the command line can be read by every user of this computer "
                    "(ps, /proc); give the address without it (mqtt://USER@HOST/CAMPUS) and the password "
                    "with --campus-password-file FILE (- reads it from standard input), or save the link "
                    "in the 校园 window"};
        if (line.passwordFile) {
            std::string error;
            const auto password = readPasswordLine(*line.passwordFile, input, error);
            if (!password)
                return {std::nullopt, error};
            parsed.address->password = *password;
        }
        choice.setup = CampusSetup{
            *parsed.address, line.publish ? CampusRole::Office : CampusRole::Building, line.insecure, {}};
    } else {
        CampusSetupRead saved = readCampusSetup(programDir);
        if (!saved.error.empty())
            return {std::nullopt, saved.error};
        choice.setup = saved.setup;
    }
    if (choice.setup && line.caFile)
        choice.setup->caFile = *line.caFile;
    if (choice.setup) {
        if (std::string problem = campusSetupProblem(*choice.setup); !problem.empty())
            return {std::nullopt, problem};
    }
    return choice;
}

} // namespace ringvale
