#include "shell/mainwindow.h"

#include "shell/clockdriver.h"
#include "shell/gbkqt.h"
#include "shell/helptext.h"
#include "shell/ruletablemodel.h"
#include "shell/ruletableview.h"
#include "shell/trayicon.h"
#include "shell/widgetdesign.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

// The images are compiled into this static library; register them before the first use.
static void initResources() {
    Q_INIT_RESOURCE(ringvale);
}

namespace ringvale {

namespace {

QLabel* framedLabel(QWidget* parent, const char* name, QRect rect) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setGeometry(rect);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    return label;
}

// Slot rows are unevenly spaced in the window design.
constexpr std::array<int, 10> kSongRowTops = {29, 64, 99, 136, 174, 211, 248, 288, 325, 362};

} // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    initResources();
    setWindowTitle(QString::fromUtf8("Velmora校园广播--电脑自动打铃软件系统 V1.0"));
    setWindowIcon(QIcon(QStringLiteral(":/ringvale/tray.png")));

    // Creation order gives the stacking: the settings controls lie lowest, the song station
    // above them, the help text above the song station, and the rule table above everything.
    createSettingsControls();
    createSongStation();

    m_helpBox = named(new QPlainTextEdit(this), "编辑框_帮助", QRect(8, 368, 80, 32));
    m_helpBox->setReadOnly(true);
    m_helpBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_helpBox->setFont(pixelFont(19));
    m_helpBox->setPlainText(helpText());

    m_gridModel = new RuleTableModel(this);
    m_grid = named(new RuleGridView(this), "高级表格", QRect(8, 288, 80, 64));
    m_grid->setModel(m_gridModel);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(30);
    m_grid->verticalHeader()->setMinimumSectionSize(30);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setMinimumSectionSize(10); // the day columns are 20 pixels
    m_grid->horizontalHeader()->setFixedHeight(30);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setSectionsClickable(false);
    m_grid->setWordWrap(false);
    resetRuleGrid();
    connect(m_grid, &RuleGridView::menuRequested, this,
            [this](const QPoint& pos) { showPopupMenu(MenuPlacement::Table, pos); });
    connect(m_grid, &QAbstractItemView::doubleClicked, this, &MainWindow::modifyRuleRequested);
    createPopupMenu();

    createStatusLabels();
    m_weatherPicture = named(new QLabel(this), "图片框1", QRect(760, 0, 57, 37));
    m_weatherPicture->setScaledContents(true);

    m_timetableBox = named(new QComboBox(this), "组合框", QRect(824, 0, 192, 27));
    m_timetableBox->setEditable(true);
    for (int index = 0; index < kTimetableCount; ++index)
        m_timetableBox->addItem(qtFromGbk(timetableName(index)));
    m_timetableBox->setMaxVisibleItems(8); // the list drops down at least 160 pixels
    m_timetableBox->setCurrentIndex(0);
    connect(m_timetableBox, &QComboBox::activated, this, &MainWindow::timetableChosen);

    // The bell log, one click away, in the free corner under the timetable selector.
    auto* logButton = new QToolButton(this);
    logButton->setObjectName(QStringLiteral("logButton"));
    logButton->setText(QString::fromUtf8("日志"));
    logButton->setToolTip(QString::fromUtf8("铃声日志：响了什么、没响什么、为什么"));
    logButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    logButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    logButton->setAutoRaise(true);
    logButton->setGeometry(824, 29, 72, 24);
    connect(logButton, &QToolButton::clicked, this, &MainWindow::logRequested);

    m_clock = new QTimer(this);
    m_clock->setObjectName(QString::fromUtf8("时钟"));
    m_clockDriver = new ClockDriver(*m_clock, [this](std::chrono::system_clock::time_point due) {
        emit clockTicked(
            std::chrono::duration_cast<std::chrono::milliseconds>(due.time_since_epoch()).count());
    });
    m_clockDriver->setParent(this);

    m_tray = new TrayIcon(this);
    connect(m_tray, &TrayIcon::trayEvent, this, &MainWindow::trayEvent);

    createToolbar();

    resize(kDesignWidth, kDesignHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), QSize(kDesignWidth, kDesignHeight));
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::createSettingsControls() {
    m_toTrayBox =
        named(new QCheckBox(QString::fromUtf8("最小化到托盘"), this), "选择框_到托盘", QRect(24, 96, 96, 24));
    m_autoStartBox =
        named(new QCheckBox(QString::fromUtf8("随系统启动"), this), "选择框1", QRect(24, 72, 80, 16));
    m_countyCaption = named(new QLabel(QString::fromUtf8("你所在县"), this), "标签21", QRect(2, 120, 48, 40));
    m_countyBox =
        named(new QLineEdit(QString::fromUtf8("华容"), this), "编辑框_地址", QRect(51, 125, 109, 32));
    m_countyButton =
        named(new QPushButton(QString::fromUtf8("确定"), this), "按钮1", QRect(163, 127, 37, 32));
    m_shutdownBox =
        named(new QCheckBox(QString::fromUtf8("自动关机"), this), "选择框_关机", QRect(8, 176, 72, 32));
    m_shutdownTimeBox = named(new QLineEdit(this), "编辑框_关机时间", QRect(79, 180, 112, 24));
    m_shutdownTimeBox->installEventFilter(this);
    // Every change of a box's state runs its handler, however it came; the program's own
    // settings of a box (start-up, refusals) block the signal.
    connect(m_autoStartBox, &QCheckBox::toggled, this, &MainWindow::autoStartClicked);
    connect(m_toTrayBox, &QCheckBox::toggled, this, &MainWindow::toTrayClicked);
    connect(m_shutdownBox, &QCheckBox::toggled, this, &MainWindow::shutdownBoxClicked);
    connect(m_shutdownTimeBox, &QLineEdit::textEdited, this, &MainWindow::shutdownTimeTyped);
    connect(m_countyButton, &QPushButton::clicked, this, &MainWindow::countyTestClicked);
}

void MainWindow::createSongStation() {
    m_songStation =
        named(new QGroupBox(QString::fromUtf8("点歌台 ---------- 左击播放与选歌，右击清除"), this), "分组框1",
              QRect(504, 72, 584, 435));
    for (int n = 1; n <= 20; ++n) {
        const int left = n % 2 == 1 ? 16 : 320;
        const int top = kSongRowTops[static_cast<std::size_t>((n - 1) / 2)];
        const QByteArray name = QByteArray("标签") + QByteArray::number(n);
        QLabel* slot = framedLabel(m_songStation, name.constData(), QRect(left, top, 250, 24));
        slot->setCursor(Qt::PointingHandCursor);
        slot->setTextFormat(Qt::PlainText);
        slot->installEventFilter(this);
        m_songSlots[static_cast<std::size_t>(n - 1)] = slot;
    }
}

void MainWindow::createStatusLabels() {
    const QFont font = pixelFont(19);
    m_elapsedLabel = framedLabel(this, "标签_时间", QRect(922, 509, 170, 40));
    m_elapsedLabel->setAlignment(Qt::AlignCenter);
    m_nextRuleLabel = framedLabel(this, "标签_下一条", QRect(463, 509, 460, 40));
    QPalette palette = m_nextRuleLabel->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 96, 192));
    m_nextRuleLabel->setPalette(palette);
    m_statusLabel = framedLabel(this, "标签_状态", QRect(0, 509, 465, 40));
    for (QLabel* label : {m_elapsedLabel, m_nextRuleLabel, m_statusLabel}) {
        label->setFont(font);
        label->setTextFormat(Qt::PlainText);
        if (label != m_elapsedLabel)
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
}

void MainWindow::createToolbar() {
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QString::fromUtf8("工具条2"));
    m_toolbar->setIconSize(QSize(32, 32));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    // Image and caption must fit the toolbar's 55-pixel design height.
    m_toolbar->setContentsMargins(0, 0, 0, 0);
    m_toolbar->layout()->setContentsMargins(0, 0, 0, 0);
    m_toolbar->setFont(pixelFont(12));

    enum class Kind { Separator, Push, Blank, Check, TextOnly };
    struct ButtonDesign {
        Kind kind;
        int image; // -1: none
        const char* caption;
        const char* tip; // nullptr: none
    };
    static constexpr std::array<ButtonDesign, kToolbarButtonCount> kButtons = {{
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

    for (int index = 0; index < kToolbarButtonCount; ++index) {
        const ButtonDesign& design = kButtons[static_cast<std::size_t>(index)];
        QAction* action = nullptr;
        if (design.kind == Kind::Separator) {
            action = m_toolbar->addSeparator();
        } else {
            action = m_toolbar->addAction(QString::fromUtf8(design.caption));
            if (design.image >= 0)
                action->setIcon(QIcon(QStringLiteral(":/ringvale/toolbar%1.png").arg(design.image)));
            action->setCheckable(design.kind == Kind::Check);
            action->setEnabled(design.kind != Kind::Blank);
            if (design.tip)
                action->setToolTip(QString::fromUtf8(design.tip));
            QWidget* button = m_toolbar->widgetForAction(action);
            auto* toolButton = qobject_cast<QToolButton*>(button);
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
                connect(action, &QAction::toggled, this, [this, index] { emit toolbarButtonClicked(index); });
                if (toolButton)
                    connect(toolButton, &QAbstractButton::toggled, action, &QAction::setChecked);
            } else {
                connect(action, &QAction::triggered, this,
                        [this, index] { emit toolbarButtonClicked(index); });
            }
        }
        action->setObjectName(QStringLiteral("toolbarButton%1").arg(index));
        m_toolbarButtons[static_cast<std::size_t>(index)] = action;
        m_toolbarHasTip[static_cast<std::size_t>(index)] = design.tip != nullptr;
    }
    m_toolbar->setGeometry(0, 8, std::max(320, m_toolbar->sizeHint().width()), 55);
    m_toolbar->raise(); // the table starts at 56 and would hide the captions
    m_toolbar->installEventFilter(this);
}

bool MainWindow::toolbarButtonHasToolTip(int index) const {
    return m_toolbarHasTip[static_cast<std::size_t>(index)];
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        const auto button = static_cast<QMouseEvent*>(event)->button();
        for (int n = 1; n <= 20; ++n) {
            if (watched == m_songSlots[static_cast<std::size_t>(n - 1)] &&
                (button == Qt::LeftButton || button == Qt::RightButton)) {
                emit songSlotPressed(n, button == Qt::LeftButton);
                return true;
            }
        }
    }
    if (watched == m_shutdownTimeBox && event->type() == QEvent::FocusOut)
        emit shutdownTimeLeft();
    // A left press anywhere on the toolbar returns to the schedule view, before a button's click.
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        (watched == m_toolbar || qobject_cast<QToolButton*>(watched)))
        showScheduleView();
    // Buttons designed without a tooltip show none (Qt would otherwise show the caption).
    if (event->type() == QEvent::ToolTip) {
        if (auto* button = qobject_cast<QToolButton*>(watched)) {
            const QAction* action = button->defaultAction();
            for (int index = 0; index < kToolbarButtonCount; ++index) {
                if (m_toolbarButtons[static_cast<std::size_t>(index)] == action &&
                    !toolbarButtonHasToolTip(index))
                    return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::createPopupMenu() {
    m_popupMenu = new QMenu(this);
    m_popupMenu->setObjectName(QStringLiteral("popupMenu"));
    const auto item = [this](const char* text, const char* name, void (MainWindow::*signal)()) {
        QAction* action = m_popupMenu->addAction(QString::fromUtf8(text));
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, signal);
    };
    item("新增", "menuAdd", &MainWindow::addRuleRequested);
    m_popupMenu->addSeparator();
    item("修改", "menuModify", &MainWindow::modifyRuleRequested);
    item("删除", "menuDelete", &MainWindow::deleteRuleRequested);
    m_popupMenu->addSeparator();
    item("立即播放", "menuPlayNow", &MainWindow::playNowRequested);
    item("停止播放", "menuStopPlaying", &MainWindow::stopPlayingRequested);
    m_popupMenu->addSeparator();
    item("清空", "menuClear", &MainWindow::clearTimetableRequested);
    m_popupMenu->addSeparator();
    item("退出", "menuExit", &MainWindow::exitRequested);
}

QPoint MainWindow::popupTopLeft(MenuPlacement placement, QPoint cursor, QSize menuSize) {
    if (placement == MenuPlacement::Table)
        return cursor + QPoint(3, 3); // top-left corner just right of and below the pointer
    return QPoint(cursor.x() - 5 - menuSize.width(), cursor.y() - 5); // top-right corner up and left of it
}

void MainWindow::showPopupMenu(MenuPlacement placement, QPoint cursor) {
    if (placement == MenuPlacement::Tray) {
        // From the tray the window comes forward first, so the menu closes properly when the
        // pointer leaves it.
        activateWindow();
    }
    m_popupMenu->popup(popupTopLeft(placement, cursor, m_popupMenu->sizeHint()));
}

MainWindow::View MainWindow::currentView() const {
    if (!m_grid->isHidden())
        return View::Schedule;
    return m_helpBox->isHidden() ? View::SongStation : View::SettingsAndHelp;
}

void MainWindow::showScheduleView() {
    m_grid->show();
}

void MainWindow::showSettingsAndHelpView() {
    m_grid->hide();
    m_helpBox->show();
}

void MainWindow::showSongStationView() {
    m_helpBox->hide();
    m_grid->hide();
}

} // namespace ringvale
