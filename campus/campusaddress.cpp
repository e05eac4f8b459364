#include "campus/campusaddress.h"

#include <charconv>

namespace ringvale {

namespace {

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string percentEncoded(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        if (isNameCharacter(c) || c == '.' || c == '~') {
            out += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

CampusAddressParse refused(std::string why) {
    return {std::nullopt, std::move(why)};
}

} // namespace

CampusAddressParse parseCampusAddress(std::string_view text) {
    CampusAddress address;
    constexpr std::string_view kPlain = "mqtt://", kSecure = "mqtts://";
    if (text.starts_with(kSecure)) {
        address.tls = true;
        text.remove_prefix(kSecure.size());
    } else if (text.starts_with(kPlain)) {
        text.remove_prefix(kPlain.size());
    } else {
        return refused("a campus address starts with mqtt:// or mqtts://");
    }
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return refused("a campus address ends in /CAMPUS, the campus's name");
    std::string_view authority = text.substr(0, slash);
    const std::string_view campus = text.substr(slash + 1);
    if (campus.empty() || campus.size() > 64)
        return refused("the campus's name is missing or longer than 64 characters");
    for (const char c : campus) {
        if (!isNameCharacter(c))
            return refused("a campus's name is letters, digits, - and _ only");
    }
    address.campus = std::string(campus);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view credentials = authority.substr(0, at);
        authority.remove_prefix(at + 1);
        const std::size_t colon = credentials.find(':');
        const auto user = percentDecoded(credentials.substr(0, colon));
        const auto password = colon == std::string_view::npos ? std::optional<std::string>("")
                                                              : percentDecoded(credentials.substr(colon + 1));
        if (!user || !password)
            return refused("a %-escape in the user name or password is not two hexadecimal digits");
        address.user = *user;
        address.password = *password;
    }
    std::string_view host = authority;
    if (const std::size_t colon = authority.rfind(':');
        colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
        host = authority.substr(0, colon);
        const std::string_view port = authority.substr(colon + 1);
        int value = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (error != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535)
            return refused("the port is not a number from 1 to 65535");
        address.port = value;
    }
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (host.empty())
        return refused("the broker's host is missing");
    address.host = std::string(host);
    return {address, {}};
}

std::string campusAddressText(const CampusAddress& address, bool withPassword) {
    std::string text = address.tls ? "mqtts://" : "mqtt://";
    if (!address.user.empty()) {
        text += percentEncoded(address.user);
        if (withPassword && !address.password.empty())
            text += ':' + percentEncoded(address.password);
        text += '@';
    }
    text += address.host.find(':') != std::string::npos ? '[' + address.host + ']' : address.host;
    if (address.port != 0)
        text += ':' + std::to_string(address.port);
    return text + '/' + address.campus;
}

} // namespace ringvale
