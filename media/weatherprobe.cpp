#include "media/weatherprobe.h"

#include "core/codepage.h"
#include "core/filestore.h"
#include "core/gbktext.h"
#include "core/programdir.h"
#include "media/iconconverter.h"

#include <boost/regex.hpp>

#include <chrono>
#include <cstdint>
#include <iterator>
#include <stdexcept>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace ringvale {

namespace {

constexpr std::size_t kShortestPage = 30000;
constexpr std::size_t kSmallestIcon = 1000;
constexpr std::chrono::milliseconds kMatchBudget{1000};

struct SearchBudget {
    std::chrono::steady_clock::time_point deadline;
    std::uint32_t steps = 0;
};

struct OutOfTime : std::runtime_error {
    OutOfTime() : std::runtime_error("the forecast search ran out of time") {}
};

// A page iterator that ends the search once its budget's deadline has passed.
class BudgetedIterator {
public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    BudgetedIterator() = default;
    BudgetedIterator(const char* at, SearchBudget* budget) : m_at(at), m_budget(budget) {}

    reference operator*() const { return *m_at; }
    BudgetedIterator& operator++() {
        ++m_at;
        step();
        return *this;
    }
    BudgetedIterator operator++(int) {
        BudgetedIterator before = *this;
        ++*this;
        return before;
    }
    BudgetedIterator& operator--() {
        --m_at;
        step();
        return *this;
    }
    BudgetedIterator operator--(int) {
        BudgetedIterator before = *this;
        --*this;
        return before;
    }
    bool operator==(const BudgetedIterator& other) const { return m_at == other.m_at; }

private:
    void step() {
        if ((++m_budget->steps & 0xFFF) == 0 && std::chrono::steady_clock::now() > m_budget->deadline)
            throw OutOfTime();
    }
    const char* m_at = nullptr;
    SearchBudget* m_budget = nullptr;
};

const boost::regex& forecastExpression() {
    // Compiled once: the expression is fixed, and a compiled boost::regex may be shared
    // between threads for matching.
    static const boost::regex expression(
        gbkFromUtf8("今天白天.*?180_180/(.*?)png.*?<li>.*?>(.*?)℃.*?体感</span>.*?>(.*?)℃.*?<li>(.*?)</"
                    "li>.*?<li>(.*?)</li>"
                    ".*?今天夜间.*?180_180/(.*?)png.*?<li><.*?>(.*?)℃.*?<li>(.*?)</li>.*?<li>(.*?)</li>"),
        boost::regex::perl | boost::regex::mod_s);
    return expression;
}

// The county as the log names it (UTF-8).
std::string countyName(const std::string& county) {
    return county.empty() ? std::string("(no county saved)") : utf8FromGbk(county);
}

bool isSafeIconName(const std::string& name) {
    if (name.size() < 2 || name.size() > 64 || name.back() != '.')
        return false;
    for (std::size_t i = 0; i + 1 < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    }
    return true;
}

} // namespace

ForecastMatch scrapeForecast(const std::string& page) {
    ForecastMatch result;
    // The search gets a time budget: the iterators it walks the page with look at the clock every
    // few thousand steps and end the search once the budget is spent. Real pages take well under
    // a millisecond; a page built to make the search backtrack counts as not matching.
    SearchBudget budget{std::chrono::steady_clock::now() + kMatchBudget};
    const BudgetedIterator first(page.data(), &budget), last(page.data() + page.size(), &budget);
    boost::match_results<BudgetedIterator> match;
    try {
        if (!boost::regex_search(first, last, match, forecastExpression()))
            return result;
    } catch (const std::exception&) {
        return result; // out of time, or the library's own limit: no match
    }
    if (!isSafeIconName(match[1].str()))
        return result;
    result.matched = true;
    result.iconName = match[1].str();
    result.dayText = match[4].str();
    return result;
}

RainForecast rainResult(const ForecastMatch& match) {
    static const std::string kRain = gbkFromUtf8("雨");
    return textFind(match.dayText, kRain) > 0 ? RainForecast::Rain : RainForecast::Dry;
}

struct WeatherProbe::Background {
    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
};

WeatherProbe::WeatherProbe(HttpFactory http, std::filesystem::path programDir, std::string host,
                           std::shared_ptr<WeatherDisplay> display)
    : m_http(std::move(http)), m_programDir(std::move(programDir)), m_host(std::move(host)),
      m_display(std::move(display)), m_background(std::make_shared<Background>()) {}

std::string WeatherProbe::hostFromEnvironment() {
    const auto host = processEnv("RINGVALE_WEATHER_HOST");
    return host && !host->empty() ? *host : std::string("php.weather.sina.com.cn");
}

RainForecast WeatherProbe::fetch(std::string& county) const {
    if (county.empty())
        county = AppConfig(m_programDir).read(settings::machineSection(), settings::countyKey());
    const std::unique_ptr<HttpClient> http = m_http();
    std::string page =
        http->get("http://" + m_host + "/search.php?f=1&c=1&city=" + escapeUrlComponent(county) + "&dpc=1");
    if (const std::size_t zero = page.find('\0'); zero != std::string::npos)
        page.resize(zero);
    if (page.size() < kShortestPage) {
        m_display->weatherChecked("weather for " + countyName(county) + ": no usable page from " + m_host);
        m_display->forecastRead(RainForecast::Unknown, {});
        return RainForecast::Unknown;
    }

    const ForecastMatch forecast = scrapeForecast(page);
    std::string icon = forecast.iconName;
    if (icon == "zhenxue.")
        icon = "xiaoxue.";
    const std::filesystem::path cache = m_programDir / kIconFolderName;
    const std::filesystem::path png = cache / (icon + "PNG");
    const std::filesystem::path jpg = cache / (icon + "JPG");
    if (!fileExists(png)) {
        const std::string bytes = http->get("http://" + m_host + "/images/yb3/78_78/" + icon + "png");
        if (bytes.size() > kSmallestIcon) {
            if (writeFileAtomic(png, bytes))
                convertPngToJpeg(png, jpg);
            else
                m_display->weatherChecked("the icon cache " + png.string() + " could not be written");
        }
    }
    const FileRead picture = readWholeFile(jpg);
    m_display->setWeatherPicture(picture.ok() ? picture.bytes : std::string());
    m_display->setCountyCaption(county);
    const RainForecast result = rainResult(forecast);
    // A page without a forecast in it tells nothing about rain.
    m_display->forecastRead(forecast.matched ? result : RainForecast::Unknown, forecast.dayText);
    m_display->weatherChecked(
        "weather for " + countyName(county) + ": " +
        (forecast.matched ? utf8FromGbk(forecast.dayText) : std::string("no forecast on the page")) +
        (result == RainForecast::Rain ? " (rain)" : ""));
    return result;
}

void WeatherProbe::fetchInBackground() const {
    {
        std::lock_guard lock(m_background->mutex);
        ++m_background->running;
    }
    // The thread owns a copy of the probe, so it never depends on anything the program may
    // tear down while it is still waiting for the network.
    std::thread([probe = *this] {
        std::string county;
        probe.fetch(county);
        std::lock_guard lock(probe.m_background->mutex);
        --probe.m_background->running;
        probe.m_background->ended.notify_all();
    }).detach();
}

bool WeatherProbe::waitForBackground(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_background->mutex);
    return m_background->ended.wait_for(lock, timeout, [this] { return m_background->running == 0; });
}

void takeForecast(ScheduleState& state, RainForecast result, const std::string& dayText, WallTime now) {
    using Forecast = ScheduleState::Forecast;
    state.forecast = result == RainForecast::Rain  ? Forecast::Rain
                     : result == RainForecast::Dry ? Forecast::Dry
                                                   : Forecast::Unknown;
    state.forecastDay = localMinuteNumber(localTimeAt(now)) / 1440;
    state.forecastText = utf8FromGbk(dayText);
}

} // namespace ringvale
