#include "shell/ruleeditorwindow.h"

#include "shell/rulesounddialog.h"

#include "core/gbktext.h"
#include "core/timetext.h"
#include "shell/gbkqt.h"
#include "shell/widgetdesign.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace ringvale {

namespace {

QString u(const char* utf8) {
    return QString::fromUtf8(utf8);
}

struct DayDesign {
    const char* caption;
    int left, width;
    bool checked;
    const char* tip;
};
constexpr std::array<DayDesign, 7> kDays = {{
    {"星期日", 16, 80, false, "勾选则星期天播放，不勾选则星期天不播放"},
    {"星期一", 80, 72, true, "勾选则星期一播放，不勾选则星期一不播放"},
    {"星期二", 144, 72, true, "勾选则星期二播放，不勾选则星期二不播放"},
    {"星期三", 208, 80, true, "勾选则星期三播放，不勾选则星期三不播放"},
    {"星期四", 272, 72, true, "勾选则星期四播放，不勾选则星期四不播放"},
    {"星期五", 336, 72, true, "勾选则星期五播放，不勾选则星期五不播放"},
    {"星期六", 400, 80, false, "勾选则星期六播放，不勾选则星期六不播放"},
}};

// Slot k (1-21): its label's and box's numbers in the window design.
constexpr std::array<int, 21> kSlotLabels = {2,  3,  4,  5,  6,  12, 11, 10, 9,  8, 22,
                                             21, 20, 19, 18, 17, 16, 15, 14, 13, 7};
constexpr std::array<int, 21> kSlotBoxes = {2,  3,  4,  5,  6,  11, 10, 9,  8,  7, 21,
                                            20, 19, 18, 17, 16, 15, 14, 13, 12, 22};
constexpr std::array<int, 7> kRowTops = {77, 117, 157, 197, 237, 277, 317};

const char* const kTimeTip = "要播放的时间，格式为：10：10：10，具体查看帮助文档";

} // namespace

void TimeBox::normalise() {
    setText(qtFromGbk(normalizeTimeText(gbkFromQt(text()))));
}

void TimeBox::focusOutEvent(QFocusEvent* event) {
    normalise();
    QLineEdit::focusOutEvent(event);
}

void TimeBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (m_next)
            m_next->setFocus(Qt::TabFocusReason); // leaving normalises this box
        else
            normalise();
        // An empty or invalid slot keeps the focus.
        if (text().isEmpty())
            setFocus(Qt::OtherFocusReason);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
    if (text().isEmpty() && !hasFocus())
        setFocus(Qt::OtherFocusReason);
}

RuleEditorWindow::RuleEditorWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("RuleEditorWindow"));
    setFixedSize(kWidth - 8, kHeight - 30);

    auto* musicCaption = named(new QLabel(u("要播放\n的音乐"), this), u("标签1"), QRect(25, 6, 48, 36));
    musicCaption->setFont(pixelFont(16));
    musicCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pathBox = named(new QLineEdit(this), u("编辑框1"), QRect(80, 5, 536, 32));
    m_pathBox->setReadOnly(true);
    m_pathBox->setFont(pixelFont(16));
    m_chooseButton = named(new QPushButton(u("选择"), this), u("按钮1"), QRect(618, 5, 48, 35));
    m_chooseButton->setAutoDefault(false);
    connect(m_chooseButton, &QPushButton::clicked, this, &RuleEditorWindow::chooseFileRequested);

    for (std::size_t d = 0; d < kDays.size(); ++d) {
        const DayDesign& day = kDays[d];
        auto* box = named(new QCheckBox(u(day.caption), this), u("选择框") + QString::number(d + 1),
                          QRect(day.left, 45, day.width, 16));
        box->setChecked(day.checked);
        box->setToolTip(u(day.tip));
        m_dayBoxes[d] = box;
    }
    named(new QLabel(u("循环次数"), this), u("标签23"), QRect(469, 40, 51, 24));
    m_countBox = named(new QLineEdit(u("1"), this), u("编辑框_次数"), QRect(520, 40, 32, 24));
    m_countBox->setAlignment(Qt::AlignCenter);
    m_countBox->setToolTip(u("要播放的次数，可选1-99，1为播放1遍，2为播放2遍，以此类推"));
    // The up-down spinner beside the count box: 1 to 100, while typing stays free.
    auto* up = named(new QToolButton(this), u("编辑框_次数_增加"), QRect(552, 40, 16, 12));
    auto* down = named(new QToolButton(this), u("编辑框_次数_减少"), QRect(552, 52, 16, 12));
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    connect(up, &QToolButton::clicked, this, [this] { stepCount(+1); });
    connect(down, &QToolButton::clicked, this, [this] { stepCount(-1); });
    m_weatherBox = named(new QCheckBox(u("此条开启天气"), this), u("选择框_天气"), QRect(576, 45, 96, 24));
    m_weatherBox->setToolTip(u("开启后，如果是雨天，就不会播放"));

    for (int slot = 1; slot <= 21; ++slot) {
        const int column = (slot - 1) / 7;
        const int top = kRowTops[static_cast<std::size_t>((slot - 1) % 7)];
        const int labelLeft = column == 0 ? 8 : column == 1 ? (slot == 8 || slot == 9 ? 232 : 224) : 448;
        const int boxLeft = column == 0 ? 80 : column == 1 ? 304 : 528;
        auto* label = named(new QLabel(u("时间") + QString::number(slot), this),
                            u("标签") + QString::number(kSlotLabels[static_cast<std::size_t>(slot - 1)]),
                            QRect(labelLeft, top, 70, 24));
        label->setFont(pixelFont(20));
        auto* box = named(new TimeBox(this),
                          u("编辑框") + QString::number(kSlotBoxes[static_cast<std::size_t>(slot - 1)]),
                          QRect(boxLeft, top, 140, 24));
        box->setFont(pixelFont(20, true));
        box->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        box->setTextMargins(0, 0, 0, 0);
        QPalette palette = box->palette();
        palette.setColor(QPalette::Text, QColor(255, 0, 0));
        palette.setColor(QPalette::Base, QColor(255, 255, 255));
        box->setPalette(palette);
        if (slot == 1 || slot == 2 || slot == 3 || slot == 8 || slot == 15)
            box->setToolTip(u(kTimeTip));
        m_timeBoxes[static_cast<std::size_t>(slot - 1)] = box;
    }

    auto* cancelButton = named(new QPushButton(u("放弃退出"), this), u("按钮3"), QRect(88, 357, 128, 40));
    auto* clearButton = named(new QPushButton(u("清空"), this), u("按钮4"), QRect(288, 357, 96, 40));
    m_saveButton = named(new QPushButton(u("确定添加"), this), u("按钮2"), QRect(464, 357, 128, 40));
    for (QPushButton* button : {cancelButton, clearButton, m_saveButton})
        button->setAutoDefault(false);
    connect(cancelButton, &QPushButton::clicked, this, &RuleEditorWindow::closeRequested);
    connect(clearButton, &QPushButton::clicked, this, &RuleEditorWindow::clearPathAndTimes);
    connect(m_saveButton, &QPushButton::clicked, this, &RuleEditorWindow::saveRequested);
    m_soundButton = named(new QPushButton(u("声音…"), this), u("按钮_声音"), QRect(604, 357, 60, 40));
    m_soundButton->setAutoDefault(false);
    connect(m_soundButton, &QPushButton::clicked, this, &RuleEditorWindow::chooseSound);
    showSound();
    m_saveButton->installEventFilter(this);

    for (int slot = 1; slot < 21; ++slot)
        timeBox(slot)->setNext(timeBox(slot + 1));
    timeBox(21)->setNext(m_saveButton);
}

bool RuleEditorWindow::eventFilter(QObject* watched, QEvent* event) {
    // Enter on "确定添加" saves, as a click does.
    if (watched == m_saveButton && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit saveRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RuleEditorWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        emit closeRequested();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void RuleEditorWindow::stepCount(int delta) {
    const int value = std::clamp(textToInt(gbkFromQt(m_countBox->text())) + delta, 1, 100);
    m_countBox->setText(QString::number(value));
}

RuleFields RuleEditorWindow::fields() const {
    RuleFields fields;
    fields.musicPath = gbkFromQt(m_pathBox->text());
    fields.countText = gbkFromQt(m_countBox->text());
    for (std::size_t d = 0; d < m_dayBoxes.size(); ++d)
        fields.days[d] = m_dayBoxes[d]->isChecked();
    for (std::size_t k = 0; k < m_timeBoxes.size(); ++k)
        fields.times[k] = gbkFromQt(m_timeBoxes[k]->text());
    fields.rainGated = m_weatherBox->isChecked();
    fields.sound = m_sound;
    return fields;
}

void RuleEditorWindow::setFields(const RuleFields& fields) {
    m_pathBox->setText(qtFromGbk(fields.musicPath));
    m_countBox->setText(qtFromGbk(fields.countText));
    for (std::size_t d = 0; d < m_dayBoxes.size(); ++d)
        m_dayBoxes[d]->setChecked(fields.days[d]);
    for (std::size_t k = 0; k < m_timeBoxes.size(); ++k)
        m_timeBoxes[k]->setText(qtFromGbk(fields.times[k]));
    m_weatherBox->setChecked(fields.rainGated);
    m_sound = fields.sound;
    showSound();
}

void RuleEditorWindow::chooseSound() {
    auto* dialog =
        new RuleSoundDialog(m_sound, m_listOutputs ? m_listOutputs() : std::vector<SoundDevice>{}, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        m_sound = dialog->sound();
        showSound();
    });
    dialog->open();
}

void RuleEditorWindow::showSound() {
    m_soundButton->setToolTip(ruleSoundSummary(m_sound));
}

void RuleEditorWindow::clearPathAndTimes() {
    m_pathBox->clear();
    for (TimeBox* box : m_timeBoxes)
        box->clear();
}

void RuleEditorWindow::focusFirstTime() {
    timeBox(1)->setFocus(Qt::OtherFocusReason);
}

void RuleEditorWindow::focusChooseButton() {
    m_chooseButton->setFocus(Qt::OtherFocusReason);
}

void RuleEditorWindow::setMusicPath(const QString& path) {
    m_pathBox->setText(path);
}

} // namespace ringvale
