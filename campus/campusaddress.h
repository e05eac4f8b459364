#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ringvale {

// Where a campus meets: mqtt://[USER:PASSWORD@]HOST[:PORT]/CAMPUS, or mqtts:// for TLS.
struct CampusAddress {
    bool tls = false;
    std::string user;
    std::string password;
    std::string host;
    int port = 0; // 0: the scheme's own (1883, or 8883 with TLS)
    std::string campus;

    int portOrDefault() const { return port != 0 ? port : (tls ? 8883 : 1883); }
    bool hasCredentials() const { return !user.empty() && !password.empty(); }
    bool operator==(const CampusAddress&) const = default;
};

struct CampusAddressParse {
    std::optional<CampusAddress> address;
    std::string error; // why the text is not an address (UTF-8), when it is not
};

// The user name and password may be percent-encoded (a ":" or "@" in a password as %3A, %40).
// A campus name is letters, digits, "-" and "_" only, so it never holds an MQTT wildcard.
CampusAddressParse parseCampusAddress(std::string_view text);

// The address as parseCampusAddress reads it back; without the password when `withPassword` is false.
std::string campusAddressText(const CampusAddress& address, bool withPassword = true);

} // namespace ringvale
