#pragma once

#include "campus/campusnode.h"
#include "campus/campussetup.h"
#include "core/dialogs.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace ringvale {

// The campus's window: the link saved in 校园.INI (address, whether this copy is the office), the
// buildings and their state as the office hears them, and the alarm the office sounds in every
// building.
// A building whose clock is further than this from the office's is marked.
inline constexpr std::int64_t kClockToleranceMs = 1000;

class CampusView final : public QWidget {
    Q_OBJECT
public:
    // `role`: this copy's part now (none: not in a campus).
    CampusView(std::filesystem::path programDir, std::optional<CampusRole> role, Dialogs& dialogs,
               QWidget* parent = nullptr);

    void showBuildings(const std::vector<CampusNode::Building>& buildings);
    // Checks and saves the form; false (and says why) when it cannot be used.
    bool save();
    // What the alarm buttons do (the file as a GBK path); without them the buttons are disabled.
    void setAlarmActions(std::function<void(const std::string&)> sound, std::function<void()> stop);

private:
    std::filesystem::path m_programDir;
    Dialogs& m_dialogs;
    std::function<void(const std::string&)> m_soundAlarm;
    std::function<void()> m_stopAlarm;
    QLineEdit* m_address = nullptr;
    QCheckBox* m_office = nullptr;
    QCheckBox* m_insecure = nullptr;
    QLineEdit* m_ca = nullptr;
    QTableWidget* m_buildings = nullptr;
    QPushButton* m_alarm = nullptr;
    QPushButton* m_stop = nullptr;
};

} // namespace ringvale
