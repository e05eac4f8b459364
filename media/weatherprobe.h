#pragma once

#include "core/appconfig.h"
#include "core/clock.h"
#include "core/schedulestate.h"
#include "media/httpclient.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace ringvale {

// What a weather check found out about today.
enum class RainForecast {
    Unknown = 0, // no usable page
    Dry = 1,     // read: no rain in today's daytime text
    Rain = 2,    // rain forecast
};

// Where the weather check shows its results. Called on the thread that runs the probe; the
// window's implementation hands the updates to the user-interface thread.
class WeatherDisplay {
public:
    virtual ~WeatherDisplay() = default;
    // The JPEG bytes of the icon; empty clears the picture.
    virtual void setWeatherPicture(const std::string& jpegBytes) = 0;
    virtual void setCountyCaption(const std::string& county) = 0;
    // What the check found, or why it found nothing, for the log (UTF-8).
    virtual void weatherChecked(const std::string& summary) { (void)summary; }
    // Today's forecast as read (Unknown: no usable page), with the daytime text (GBK).
    virtual void forecastRead(RainForecast result, const std::string& dayText) {
        (void)result;
        (void)dayText;
    }
};

// Keeps what a weather check read of today's forecast for the weather-gated rules.
void takeForecast(ScheduleState& state, RainForecast result, const std::string& dayText, WallTime now);

// The parts of a forecast page that the weather check reads.
struct ForecastMatch {
    bool matched = false;
    std::string iconName; // group 1: the daytime icon, normally ending in "."
    std::string dayText;  // group 4: today's daytime weather text
};

// Searches a page (GBK) with the forecast expression; no match gives empty groups. An icon
// name that is not letters, digits and "_" followed by one dot (64 bytes at most) counts as no
// match, so a page can never name a file outside the icon cache.
ForecastMatch scrapeForecast(const std::string& page);

// Dry or Rain, from today's daytime text.
RainForecast rainResult(const ForecastMatch& match);

class WeatherProbe {
public:
    using HttpFactory = std::function<std::unique_ptr<HttpClient>()>;

    // host is "name[:port]"; programDir holds the settings file and the icon cache tp/.
    WeatherProbe(HttpFactory http, std::filesystem::path programDir, std::string host,
                 std::shared_ptr<WeatherDisplay> display);

    // Fetches today's forecast for `county` (GBK), or for the saved county when it is empty (the
    // caller then sees the saved one). Shows the icon and the county.
    RainForecast fetch(std::string& county) const;

    // Runs fetch with the saved county on a thread of its own, and returns at once.
    void fetchInBackground() const;
    // Waits up to `timeout` for the checks started by fetchInBackground to end, so the program
    // does not end under a thread still in the middle of one; true when none runs.
    bool waitForBackground(std::chrono::milliseconds timeout) const;

    // RINGVALE_WEATHER_HOST, else the public weather site.
    static std::string hostFromEnvironment();

private:
    HttpFactory m_http;
    std::filesystem::path m_programDir;
    std::string m_host;
    std::shared_ptr<WeatherDisplay> m_display;
    struct Background;
    std::shared_ptr<Background> m_background;
};

} // namespace ringvale
