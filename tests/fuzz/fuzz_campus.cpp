// Every campus payload decoder on any bytes from the network: no crash, and whatever one accepts
// encodes back to what decodes the same.

#include "campus/campusmessages.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ringvale;
    const std::string payload(reinterpret_cast<const char*>(data), size);
    std::string why;
    if (const auto file = decodeFile(payload, why); file && decodeFile(encodeFile(*file), why) != file)
        std::abort();
    if (const auto command = decodeCommand(payload, why);
        command && decodeCommand(encodeCommand(*command), why) != command)
        std::abort();
    if (const auto index = decodeMusicIndex(payload, why);
        index && decodeMusicIndex(encodeMusicIndex(*index), why) != index)
        std::abort();
    if (const auto status = decodeStatus(payload, why); status && !decodeStatus(encodeStatus(*status), why))
        std::abort();
    (void)decodeSelected(payload, why);
    (void)decodeClock(payload, why);
    return 0;
}
