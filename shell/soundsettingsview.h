#pragma once

#include "core/dialogs.h"
#include "media/soundoutputs.h"
#include "media/soundsettings.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <vector>

class QComboBox;
class QDoubleSpinBox;
class QLabel;

namespace ringvale {

// How bells sound beyond their rules: the loudness every bell and song is brought to, and the
// input (a microphone near a speaker, or an output's monitor) that confirms each bell. 保存
// keeps them in 声音设置.INI; they hold from the next start.
class SoundSettingsView final : public QWidget {
    Q_OBJECT
public:
    using ListInputs = std::function<std::vector<SoundDevice>()>;

    SoundSettingsView(std::filesystem::path programDir, Dialogs& dialogs,
                      ListInputs listInputs = listSoundInputs, QWidget* parent = nullptr);

    // Shows what is kept and the inputs the sound server has now.
    void reload();
    // Keeps the fields; false when they could not be written.
    bool save();

private:
    std::filesystem::path m_programDir;
    Dialogs& m_dialogs;
    ListInputs m_listInputs;
    QComboBox* m_listen = nullptr;
    QDoubleSpinBox* m_target = nullptr;
    QLabel* m_state = nullptr;
};

} // namespace ringvale
