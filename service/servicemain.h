#pragma once

#include "campus/mqttlink.h"
#include "service/commandline.h"
#include "service/engineface.h"

#include <memory>
#include <optional>

namespace ringvale {

// --service: rings without a window until SIGTERM, SIGINT or SIGHUP; the exit status. `face`
// makes another face on the engine (the web console), when given.
int runService(const CommandLine& line, EngineFaceFactory face = {});

// --play, --alarm, --stop: sends one command to every building as the office; the exit status.
int sendCampusCommand(const CommandLine& line);

// --backup or --restore of the program directory; nullopt when the line asks for neither.
std::optional<int> runBackupCommand(const CommandLine& line);

// The campus link for a setup, to a broker through libmosquitto.
std::unique_ptr<MqttLink> makeCampusLink(const CampusSetup& setup);

} // namespace ringvale
