#include "shell/soundsettingsview.h"

#include "core/codepage.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace ringvale {

SoundSettingsView::SoundSettingsView(std::filesystem::path programDir, Dialogs& dialogs,
                                     ListInputs listInputs, QWidget* parent)
    : QWidget(parent, Qt::Window), m_programDir(std::move(programDir)), m_dialogs(dialogs),
      m_listInputs(std::move(listInputs)) {
    setObjectName(QStringLiteral("SoundSettingsView"));
    setWindowTitle(QString::fromUtf8("声音设置"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_target = new QDoubleSpinBox(this);
    m_target->setObjectName(QStringLiteral("soundTarget"));
    m_target->setRange(kQuietestTargetLufs, kLoudestTargetLufs);
    m_target->setDecimals(0);
    m_target->setSuffix(QStringLiteral(" LUFS"));
    m_target->setToolTip(QString::fromUtf8("每个铃声和歌曲都调到这个响度（EBU R128），默认 -18"));
    form->addRow(QString::fromUtf8("统一响度："), m_target);
    m_listen = new QComboBox(this);
    m_listen->setObjectName(QStringLiteral("soundListen"));
    m_listen->setToolTip(
        QString::fromUtf8("放在喇叭旁的麦克风，或某个输出的监听：每次打铃都听一听，没听到就报告"));
    form->addRow(QString::fromUtf8("确认铃声的输入："), m_listen);
    layout->addLayout(form);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("soundState"));
    m_state->setWordWrap(true);
    layout->addWidget(m_state);
    auto* saveButton = new QPushButton(QString::fromUtf8("保存"), this);
    saveButton->setObjectName(QStringLiteral("soundSave"));
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    layout->addWidget(saveButton);
    reload();
}

void SoundSettingsView::reload() {
    const SoundSettings settings = readSoundSettings(m_programDir);
    m_target->setValue(settings.targetLufs);
    m_listen->clear();
    m_listen->addItem(QString::fromUtf8("不确认铃声"), QString());
    const std::vector<SoundDevice> inputs = m_listInputs ? m_listInputs() : std::vector<SoundDevice>{};
    for (const SoundDevice& input : inputs)
        m_listen->addItem(QString::fromStdString(input.description.empty() ? input.name : input.description) +
                              QStringLiteral("  (") + QString::fromStdString(input.name) +
                              QStringLiteral(")"),
                          QString::fromStdString(input.name));
    if (!settings.listen.empty() && std::none_of(inputs.begin(), inputs.end(), [&](const SoundDevice& d) {
            return d.name == settings.listen;
        }))
        m_listen->addItem(QString::fromStdString(settings.listen) + QString::fromUtf8("（现在找不到）"),
                          QString::fromStdString(settings.listen));
    m_listen->setCurrentIndex(std::max(0, m_listen->findData(QString::fromStdString(settings.listen))));
    m_state->setText(inputs.empty() ? QString::fromUtf8("没有找到声音服务器的输入。")
                                    : QString::fromUtf8("保存后从下次启动起生效。"));
}

bool SoundSettingsView::save() {
    SoundSettings settings;
    settings.targetLufs = m_target->value();
    settings.listen = m_listen->currentData().toString().toStdString();
    if (!writeSoundSettings(m_programDir, settings)) {
        m_dialogs.showError(gbkFromUtf8("声音设置没能保存：" + soundSettingsPath(m_programDir).string()));
        return false;
    }
    m_state->setText(QString::fromUtf8("已保存，从下次启动起生效。"));
    return true;
}

} // namespace ringvale
