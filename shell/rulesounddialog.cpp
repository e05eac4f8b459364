#include "shell/rulesounddialog.h"

#include "core/rulesound.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace ringvale {

namespace {
constexpr int kNameRole = Qt::UserRole;
}

RuleSoundDialog::RuleSoundDialog(const RuleSound& sound, const std::vector<SoundDevice>& outputs,
                                 QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("RuleSoundDialog"));
    setWindowTitle(QString::fromUtf8("输出与音量"));
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(QString::fromUtf8("在哪些输出上响（都不选：默认输出）："), this);
    layout->addWidget(caption);
    m_outputs = new QListWidget(this);
    m_outputs->setObjectName(QString::fromUtf8("输出列表"));
    const auto add = [this, &sound](const QString& text, const std::string& name) {
        auto* item = new QListWidgetItem(text, m_outputs);
        item->setData(kNameRole, QString::fromStdString(name));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        const bool chosen =
            std::find(sound.outputs.begin(), sound.outputs.end(), name) != sound.outputs.end();
        item->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
    };
    for (const SoundDevice& output : outputs)
        add(QString::fromStdString(output.description.empty() ? output.name : output.description) +
                QStringLiteral("  (") + QString::fromStdString(output.name) + QStringLiteral(")"),
            output.name);
    for (const std::string& name : sound.outputs)
        if (std::none_of(outputs.begin(), outputs.end(),
                         [&name](const SoundDevice& o) { return o.name == name; }))
            add(QString::fromStdString(name) + QString::fromUtf8("（现在找不到，响铃时改用默认输出）"), name);
    if (m_outputs->count() == 0)
        caption->setText(QString::fromUtf8("没有找到声音服务器的输出：铃声在默认输出上响。"));
    layout->addWidget(m_outputs);
    auto* form = new QFormLayout;
    m_gain = new QDoubleSpinBox(this);
    m_gain->setObjectName(QString::fromUtf8("增益"));
    m_gain->setRange(-kLargestRuleGainDb, kLargestRuleGainDb);
    m_gain->setSingleStep(0.5);
    m_gain->setDecimals(1);
    m_gain->setSuffix(QStringLiteral(" dB"));
    m_gain->setValue(sound.gainDb);
    m_gain->setToolTip(QString::fromUtf8("在统一响度之上再加减的分贝数"));
    form->addRow(QString::fromUtf8("增益："), m_gain);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QString::fromUtf8("确定"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QString::fromUtf8("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

RuleSound RuleSoundDialog::sound() const {
    RuleSound sound;
    for (int row = 0; row < m_outputs->count(); ++row) {
        const QListWidgetItem* item = m_outputs->item(row);
        if (item->checkState() == Qt::Checked)
            sound.outputs.push_back(item->data(kNameRole).toString().toStdString());
    }
    sound.gainDb = m_gain->value();
    return sound;
}

QString ruleSoundSummary(const RuleSound& sound) {
    const QString outputs = sound.outputs.empty() ? QString::fromUtf8("默认输出")
                                                  : QString::fromStdString(joinOutputs(sound.outputs))
                                                        .replace(QLatin1Char('|'), QString::fromUtf8("、"));
    return QString::fromUtf8("输出：%1；增益 %2 dB").arg(outputs).arg(sound.gainDb);
}

} // namespace ringvale
