#include "shell/windowweatherdisplay.h"

#include "shell/mainwindow.h"

#include <QMetaObject>
#include <QThread>

namespace ringvale {

WindowWeatherDisplay::WindowWeatherDisplay(MainWindow& window, Checked checked, Read read)
    : m_window(&window), m_checked(std::move(checked)), m_read(std::move(read)) {}

template <typename Update> void WindowWeatherDisplay::post(Update update) {
    std::lock_guard lock(m_mutex);
    if (!m_window)
        return;
    MainWindow* window = m_window.data();
    if (QThread::currentThread() == window->thread()) {
        update(*window);
        return;
    }
    QMetaObject::invokeMethod(
        window, [window, update] { update(*window); }, Qt::QueuedConnection);
}

void WindowWeatherDisplay::setWeatherPicture(const std::string& jpegBytes) {
    post([jpegBytes](MainWindow& window) { window.setWeatherPicture(jpegBytes); });
}

void WindowWeatherDisplay::setCountyCaption(const std::string& county) {
    post([county](MainWindow& window) { window.setCountyCaption(county); });
}

void WindowWeatherDisplay::weatherChecked(const std::string& summary) {
    // Posted through the window, so a summary never outlives the detach.
    post([summary, checked = m_checked](MainWindow&) {
        if (checked)
            checked(summary);
    });
}

void WindowWeatherDisplay::forecastRead(RainForecast result, const std::string& dayText) {
    post([result, dayText, read = m_read](MainWindow&) {
        if (read)
            read(result, dayText);
    });
}

void WindowWeatherDisplay::detach() {
    std::lock_guard lock(m_mutex);
    m_window.clear();
}

} // namespace ringvale
