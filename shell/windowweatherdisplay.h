#pragma once

#include "media/weatherprobe.h"

#include <QPointer>

#include <functional>
#include <mutex>

namespace ringvale {

class MainWindow;

// Hands the weather check's results to the main window on the user-interface thread, from
// whichever thread the check runs on. Once the window is gone, results are dropped.
class WindowWeatherDisplay final : public WeatherDisplay {
public:
    using Checked = std::function<void(const std::string& summary)>;
    using Read = std::function<void(RainForecast result, const std::string& dayText)>;

    // `checked` receives each check's summary and `read` its forecast, on the user-interface thread.
    WindowWeatherDisplay(MainWindow& window, Checked checked, Read read);

    void setWeatherPicture(const std::string& jpegBytes) override;
    void setCountyCaption(const std::string& county) override;
    void weatherChecked(const std::string& summary) override;
    void forecastRead(RainForecast result, const std::string& dayText) override;
    // The window is going away: nothing is posted to it any more.
    void detach();

private:
    template <typename Update> void post(Update update);

    std::mutex m_mutex;
    QPointer<MainWindow> m_window;
    Checked m_checked;
    Read m_read;
};

} // namespace ringvale
