#pragma once

#include "editing/ruleeditorview.h"
#include "media/soundoutputs.h"

#include <QLineEdit>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;

namespace ringvale {

// One of the 21 time boxes: normalises its text when it loses the focus, and moves on with Enter.
class TimeBox final : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    void setNext(QWidget* next) { m_next = next; }

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void normalise();
    QWidget* m_next = nullptr;
};

// The rule editor window's content: the music file, the weekdays, the play count and 21 times.
class RuleEditorWindow final : public QWidget, public RuleEditorView {
    Q_OBJECT
public:
    static constexpr int kWidth = 680;
    static constexpr int kHeight = 430;

    explicit RuleEditorWindow(QWidget* parent = nullptr);

    RuleFields fields() const override;
    void setFields(const RuleFields& fields) override;
    void clearPathAndTimes() override;
    void focusFirstTime() override;

    void setMusicPath(const QString& path);
    // What lists the sound server's outputs for the 输出与音量 dialog.
    void setOutputLister(std::function<std::vector<SoundDevice>()> lister) {
        m_listOutputs = std::move(lister);
    }
    // The operator's first step in a fresh editor: choosing the music.
    void focusChooseButton();
    // The time box of slot 1-21.
    TimeBox* timeBox(int slot) const { return m_timeBoxes[static_cast<std::size_t>(slot - 1)]; }

signals:
    void chooseFileRequested();
    void saveRequested();
    void closeRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stepCount(int delta);
    void chooseSound();
    void showSound();

    QLineEdit* m_pathBox = nullptr;
    QLineEdit* m_countBox = nullptr;
    QCheckBox* m_weatherBox = nullptr;
    std::array<QCheckBox*, 7> m_dayBoxes{};
    std::array<TimeBox*, 21> m_timeBoxes{};
    QPushButton* m_chooseButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_soundButton = nullptr;
    RuleSound m_sound;
    std::function<std::vector<SoundDevice>()> m_listOutputs = listSoundOutputs;
};

} // namespace ringvale
