#pragma once

#include "core/playrule.h"
#include "media/soundoutputs.h"

#include <QDialog>

#include <vector>

class QDoubleSpinBox;
class QListWidget;

namespace ringvale {

// Where a rule rings and how loud: the sound server's outputs to tick (none: the default output)
// and the gain it adds to the loudness every bell has.
class RuleSoundDialog final : public QDialog {
    Q_OBJECT
public:
    // `outputs`: what the server has now; an output the rule names that is not among them is
    // listed too, so it is not dropped unseen.
    RuleSoundDialog(const RuleSound& sound, const std::vector<SoundDevice>& outputs,
                    QWidget* parent = nullptr);

    RuleSound sound() const;

private:
    QListWidget* m_outputs = nullptr;
    QDoubleSpinBox* m_gain = nullptr;
};

// How a rule's sound reads in one line ("输出：默认输出；增益 0 dB").
QString ruleSoundSummary(const RuleSound& sound);

} // namespace ringvale
