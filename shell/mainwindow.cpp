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
    m_popupMenu = new PopupMenu(this);
    connect(m_popupMenu, &PopupMenu::addRuleRequested, this, &MainWindow::addRuleRequested);
    connect(m_popupMenu, &PopupMenu::modifyRuleRequested, this, &MainWindow::modifyRuleRequested);
    connect(m_popupMenu, &PopupMenu::deleteRuleRequested, this, &MainWindow::deleteRuleRequested);
    connect(m_popupMenu, &PopupMenu::playNowRequested, this, &MainWindow::playNowRequested);
    connect(m_popupMenu, &PopupMenu::stopPlayingRequested, this, &MainWindow::stopPlayingRequested);
    connect(m_popupMenu, &PopupMenu::clearTimetableRequested, this, &MainWindow::clearTimetableRequested);
    connect(m_popupMenu, &PopupMenu::lockdownRequested, this, &MainWindow::lockdownRequested);
    connect(m_popupMenu, &PopupMenu::exportCsvRequested, this, &MainWindow::exportCsvRequested);
    connect(m_popupMenu, &PopupMenu::importCsvRequested, this, &MainWindow::importCsvRequested);
    connect(m_popupMenu, &PopupMenu::exitRequested, this, &MainWindow::exitRequested);

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

    // The bell log, the school calendar and the campus, one click away, in the free corner under
    // the timetable selector.
    const auto cornerButton = [this](const char* name, const char* text, const char* tip,
                                     QStyle::StandardPixmap icon, int left, void (MainWindow::*signal)()) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(QString::fromUtf8(text));
        button->setToolTip(QString::fromUtf8(tip));
        button->setIcon(style()->standardIcon(icon));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setGeometry(left, 29, 62, 24);
        connect(button, &QToolButton::clicked, this, signal);
    };
    cornerButton("logButton", "日志", "铃声日志：响了什么、没响什么、为什么",
                 QStyle::SP_FileDialogDetailedView, 824, &MainWindow::logRequested);
    cornerButton("calendarButton", "校历", "校历：哪天用哪套作息表，哪天不打铃",
                 QStyle::SP_FileDialogContentsView, 889, &MainWindow::calendarRequested);
    cornerButton("campusButton", "校园", "校园：各楼宇跟随总控的作息表一起打铃", QStyle::SP_DriveNetIcon, 954,
                 &MainWindow::campusRequested);

    m_clock = new QTimer(this);
    m_clock->setObjectName(QString::fromUtf8("时钟"));
    m_clockDriver = new ClockDriver(*m_clock, [this](std::chrono::system_clock::time_point due) {
        emit clockTicked(
            std::chrono::duration_cast<std::chrono::milliseconds>(due.time_since_epoch()).count());
    });
    m_clockDriver->setParent(this);

    m_tray = new TrayIcon(this);
    connect(m_tray, &TrayIcon::trayEvent, this, &MainWindow::trayEvent);

    m_toolbar = new MainToolbar(this);
    m_toolbar->raise(); // the table starts at 56 and would hide the captions
    connect(m_toolbar, &MainToolbar::buttonClicked, this, &MainWindow::toolbarButtonClicked);
    // A left press anywhere on the toolbar returns to the schedule view, before a button's click.
    connect(m_toolbar, &MainToolbar::leftPressed, this, &MainWindow::showScheduleView);

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
    // The campus link is set up in its own window; the settings lead there too.
    auto* campusButton =
        named(new QPushButton(QString::fromUtf8("校园连接…"), this), "按钮_校园", QRect(8, 216, 120, 28));
    connect(campusButton, &QPushButton::clicked, this, &MainWindow::campusRequested);
    auto* webButton =
        named(new QPushButton(QString::fromUtf8("网页控制台…"), this), "按钮_网页", QRect(8, 250, 120, 28));
    connect(webButton, &QPushButton::clicked, this, &MainWindow::webConsoleRequested);
    auto* soundButton =
        named(new QPushButton(QString::fromUtf8("声音设置…"), this), "按钮_声音设置", QRect(8, 284, 120, 28));
    connect(soundButton, &QPushButton::clicked, this, &MainWindow::soundSettingsRequested);
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
    palette.setColor(QPalette::WindowText, m_nextRuleColour);
    m_nextRuleLabel->setPalette(palette);
    m_statusLabel = framedLabel(this, "标签_状态", QRect(0, 509, 465, 40));
    for (QLabel* label : {m_elapsedLabel, m_nextRuleLabel, m_statusLabel}) {
        label->setFont(font);
        label->setTextFormat(Qt::PlainText);
        if (label != m_elapsedLabel)
            label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
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
    return QWidget::eventFilter(watched, event);
}

void MainWindow::showPopupMenu(MenuPlacement placement, QPoint cursor) {
    if (placement == MenuPlacement::Tray) {
        // From the tray the window comes forward first, so the menu closes properly when the
        // pointer leaves it.
        activateWindow();
    }
    m_popupMenu->popupAt(placement, cursor);
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
