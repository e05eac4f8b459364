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
    // `checked` receives each check's summary on the user-interface thread.
    WindowWeatherDisplay(MainWindow& window, std::function<void(const std::string&)> checked);

    void setWeatherPicture(const std::string& jpegBytes) override;
    void setCountyCaption(const std::string& county) override;
    void weatherChecked(const std::string& summary) override;
    // The window is going away: nothing is posted to it any more.
    void detach();

private:
    template <typename Update> void post(Update update);

    std::mutex m_mutex;
    QPointer<MainWindow> m_window;
    std::function<void(const std::string&)> m_checked;
};

} // namespace ringvale
