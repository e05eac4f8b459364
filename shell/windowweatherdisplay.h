#pragma once

#include "media/weatherprobe.h"

#include <QPointer>

#include <mutex>

namespace ringvale {

class MainWindow;

// Hands the weather check's results to the main window on the user-interface thread, from
// whichever thread the check runs on. Once the window is gone, results are dropped.
class WindowWeatherDisplay final : public WeatherDisplay {
public:
    explicit WindowWeatherDisplay(MainWindow& window);

    void setWeatherPicture(const std::string& jpegBytes) override;
    void setCountyCaption(const std::string& county) override;
    // The window is going away: nothing is posted to it any more.
    void detach();

private:
    template <typename Update> void post(Update update);

    std::mutex m_mutex;
    QPointer<MainWindow> m_window;
};

} // namespace ringvale
