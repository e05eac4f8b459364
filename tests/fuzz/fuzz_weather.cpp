// The weather page scrape and the rain test on any page.

#include "media/weatherprobe.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ringvale;
    const std::string page(reinterpret_cast<const char*>(data), size);
    const ForecastMatch match = scrapeForecast(page);
    if (match.matched) {
        const std::string& name = match.iconName;
        if (name.empty() || name.size() > 64 || name.back() != '.' || name.find('/') != std::string::npos)
            std::abort();
    } else if (!match.iconName.empty() || !match.dayText.empty()) {
        std::abort();
    }
    const RainForecast rain = rainResult(match);
    if (rain != RainForecast::Dry && rain != RainForecast::Rain)
        std::abort();
    return 0;
}
