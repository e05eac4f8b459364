// The profile-file reader on any text, and a write followed by a read giving back the value.

#include "core/profilefile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string nameFrom(const std::uint8_t*& data, std::size_t& size) {
    // A short name of letters and digits taken from the input.
    std::string name;
    const std::size_t length = size ? 1 + data[0] % 6 : 1;
    if (size) {
        ++data;
        --size;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char b = size ? data[0] : 'k';
        if (size) {
            ++data;
            --size;
        }
        static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        name.push_back(kAlphabet[b % (sizeof kAlphabet - 1)]);
    }
    return name;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || static_cast<unsigned char>(c) < 0x20;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ringvale;
    const std::string section = nameFrom(data, size);
    const std::string key = nameFrom(data, size);
    const std::size_t split = size / 2;
    const std::string text(reinterpret_cast<const char*>(data), split);
    std::string value(reinterpret_cast<const char*>(data) + split, size - split);

    (void)readProfileValue(text, section, key);
    (void)readProfileValue(text, value, section);

    const std::string written = withProfileValue(text, section, key, value);
    // What comes back is the value's first line, without blanks at its ends, at most 10,239 bytes.
    std::string expected = value.substr(0, value.find_first_of("\r\n"));
    while (!expected.empty() && isBlank(expected.front()))
        expected.erase(expected.begin());
    while (!expected.empty() && isBlank(expected.back()))
        expected.pop_back();
    const std::string back = readProfileValue(written, section, key);
    if (expected.size() <= kProfileValueLimit && back != expected)
        std::abort();
    if (back.size() > kProfileValueLimit)
        std::abort();
    // Writing the same again changes nothing.
    if (withProfileValue(written, section, key, value) != written)
        std::abort();
    return 0;
}
