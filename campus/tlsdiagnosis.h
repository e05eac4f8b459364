#pragma once

#include <string>

namespace ringvale {

// Why a TLS connection to the broker at host:port fails, in words an operator can act on (an
// unknown authority, a name mismatch, an expired certificate), found by a handshake of our own
// with the same trust as the campus link: `caFile` when given, else the system's authorities.
// Empty when the handshake succeeds; a few seconds at most.
std::string diagnoseTlsFailure(const std::string& host, int port, const std::string& caFile);

} // namespace ringvale
