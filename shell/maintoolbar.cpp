#include "shell/maintoolbar.h"

#include "shell/widgetdesign.h"

#include <QAction>
#include <QEvent>
#include <QIcon>
#include <QLayout>
#include <QMouseEvent>
#include <QToolButton>

#include <algorithm>

namespace ringvale {

MainToolbar::MainToolbar(QWidget* parent) : QToolBar(parent) {
    setObjectName(QString::fromUtf8("工具条2"));
    setIconSize(QSize(32, 32));
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setMovable(false);
    setFloatable(false);
    // Image and caption must fit the toolbar's 55-pixel design height.
    setContentsMargins(0, 0, 0, 0);
    layout()->setContentsMargins(0, 0, 0, 0);
    setFont(pixelFont(12));

    enum class Kind { Separator, Push, Blank, Check, TextOnly };
    struct ButtonDesign {
        Kind kind;
        int image; // -1: none
        const char* caption;
        const char* tip; // nullptr: none
    };
    static constexpr std::array<ButtonDesign, kButtonCount> kButtons = {{
        {Kind::Separator, -1, "", nullptr},
        {Kind::Push, 1, "新增", "新添加定时播放的音乐"},
        {Kind::Push, 0, "设置与帮助", nullptr},
        {Kind::Separator, -1, "", nullptr},
        {Kind::Push, 4, "退出", nullptr},
        {Kind::Separator, -1, "", nullptr},
        {Kind::Blank, -1, "", nullptr},
        {Kind::Check, 3, "开始运行", "此按钮按下则软件运行，按时播放音乐，没有按下则不播放音乐"},
        {Kind::Blank, -1, "", nullptr},
        {Kind::Push, 5, "停止播放", "停止正在播放的音乐"},
        {Kind::Blank, -1, "", nullptr},
        {Kind::Push, 6, "点歌台", nullptr},
        {Kind::Blank, -1, "", nullptr},
        {Kind::Blank, -1, "", nullptr},
        {Kind::TextOnly, -1, "", nullptr},
    }};

    for (int index = 0; index < kButtonCount; ++index) {
        const ButtonDesign& design = kButtons[static_cast<std::size_t>(index)];
        QAction* action = nullptr;
        if (design.kind == Kind::Separator) {
            action = addSeparator();
        } else {
            action = addAction(QString::fromUtf8(design.caption));
            if (design.image >= 0)
                action->setIcon(QIcon(QStringLiteral(":/ringvale/toolbar%1.png").arg(design.image)));
            action->setCheckable(design.kind == Kind::Check);
            action->setEnabled(design.kind != Kind::Blank);
            if (design.tip)
                action->setToolTip(QString::fromUtf8(design.tip));
            auto* toolButton = qobject_cast<QToolButton*>(widgetForAction(action));
            if (toolButton) {
                if (design.kind == Kind::TextOnly)
                    toolButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
                if (design.kind == Kind::Blank)
                    toolButton->setMinimumWidth(12);
                toolButton->setMaximumHeight(54);
                toolButton->installEventFilter(this);
            }
            if (design.kind == Kind::Check) {
                // The action's checked state is the one that counts, and every change of it is a
                // click, however it came (mouse, keyboard, a screen reader toggling the button).
                connect(action, &QAction::toggled, this, [this, index] { emit buttonClicked(index); });
                if (toolButton)
                    connect(toolButton, &QAbstractButton::toggled, action, &QAction::setChecked);
            } else {
                connect(action, &QAction::triggered, this, [this, index] { emit buttonClicked(index); });
            }
        }
        action->setObjectName(QStringLiteral("toolbarButton%1").arg(index));
        m_buttons[static_cast<std::size_t>(index)] = action;
        m_hasTip[static_cast<std::size_t>(index)] = design.tip != nullptr;
    }
    fitToButtons();
    installEventFilter(this);
}

void MainToolbar::fitToButtons() {
    adjustSize();
    setGeometry(0, 8, std::max(320, sizeHint().width()), 55);
}

bool MainToolbar::eventFilter(QObject* watched, QEvent* event) {
    // A left press anywhere on the toolbar comes before a button's click.
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        emit leftPressed();
    // Buttons designed without a tooltip show none (Qt would otherwise show the caption).
    if (event->type() == QEvent::ToolTip) {
        if (auto* toolButton = qobject_cast<QToolButton*>(watched)) {
            const auto found = std::find(m_buttons.begin(), m_buttons.end(), toolButton->defaultAction());
            if (found != m_buttons.end() && !hasToolTip(static_cast<int>(found - m_buttons.begin())))
                return true;
        }
    }
    return QToolBar::eventFilter(watched, event);
}

} // namespace ringvale
