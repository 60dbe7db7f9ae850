#include "shell/MainFrame.h"

#include "display/RadargramLayout.h"
#include "display/TextFit.h"
#include "model/StringTable.h"
#include "shell/AppCommands.h"
#include "shell/ChannelTree.h"
#include "shell/ChildFrame.h"
#include "shell/CommandIds.h"
#include "shell/FrameCommands.h"
#include "shell/Pictures.h"
#include "shell/PositionBar.h"
#include "shell/RavikApp.h"
#include "shell/ShellKeyFilter.h"
#include "shell/SizingBar.h"
#include "shell/SplashWnd.h"
#include "shell/WallFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

namespace {

QString Title()
{
    return QString::fromLatin1(MessageText(128));
}

QString Latin1(const std::string& s)
{
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

constexpr int kPaneWidths[cmd::kPaneCount] = {95, 95, 105, 105};
// The sensor window's place on the screen: left 100, top 700, right 900, bottom 800.
const QRect kSensorWindowRect(100, 700, 800, 100);

} // namespace

CMainFrame::CMainFrame(CRavikApp& app, int splashMs) : m_app(app)
{
    setObjectName("mainframe");
    setWindowTitle(Title());
    setWindowIcon(pictures::FrameIcon());

    m_wall = new CWallFrame(this);
    setCentralWidget(m_wall);
    connect(m_wall, &QMdiArea::subWindowActivated, this, &CMainFrame::UpdateFrameTitle);

    // The active view is the widget that the active child window shows.
    m_router.SetActive({
        [this]() -> const void* {
            QMdiSubWindow* child = m_wall->currentSubWindow();
            return child ? child->widget() : nullptr;
        },
        [this]() -> const void* { return ActiveDocument(); },
        [this]() -> const void* { return m_wall->currentSubWindow(); },
    });
    RegisterAppCommands();
    RegisterFrameCommands();

    BuildToolbar();
    BuildStatusBar();
    setDockOptions(dockOptions() | QMainWindow::AllowNestedDocks);
    BuildNavigatorBar();

    BuildPositionRow();

    ShowTraceInfo(m_app.m_settings.m_bTraceInfoVisible != 0);
    BuildMenus();

    m_splash = std::make_unique<CSplashWnd>(this);
    m_splash->ShowSplash(splashMs);

    connect(&m_statusTimer, &QTimer::timeout, this, &CMainFrame::OnTimer);
    m_statusTimer.start(kStatusTimerMs);
    // The toolbar has no menu that opens before it is used: keep it current.
    connect(&m_commandUiTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
    m_commandUiTimer.start(kCommandUiMs);

    m_keys = std::make_unique<ShellKeyFilter>(*this, [this](int id) { RunCommand(id); });
}

CMainFrame::~CMainFrame()
{
    m_keys.reset();
    // Child windows that go with the main window have no menus or title to bring up to date.
    m_wall->disconnect(this);
    for (QMdiSubWindow* sub : m_wall->subWindowList())
        sub->disconnect(this);
    CloseAllDocuments();
    delete m_sensorWindow;
}

CWorkload& CMainFrame::PositionBar()
{
    return *m_positionBar;
}

// ---- commands ---------------------------------------------------------------------------

void CMainFrame::RegisterAppCommands()
{
    std::vector<int> ids;
    for (const AppCommandInfo& c : AppCommandTable())
        ids.push_back(c.id);
    for (int i = 0; i < cmd::kRecentFileCount; ++i)
        ids.push_back(cmd::kRecentFile1 + i);
    for (int id : ids) {
        m_router.Register(CommandRouter::Level::App, nullptr, id,
                          {[this, id] { m_app.OnCommand(id); }, [this, id] { return m_app.IsCommandEnabled(id); },
                           [this, id] { return m_app.IsCommandChecked(id); }, {}});
    }
}

void CMainFrame::RegisterFrameCommands()
{
    using Level = CommandRouter::Level;
    const auto frame = [this](int id, CommandRouter::Handler h) { m_router.Register(Level::MainFrame, nullptr, id, std::move(h)); };
    const auto always = [] { return true; };
    const auto connectedIdle = [this] { return m_app.m_status.IsConnected() && !m_app.m_status.IsMeasuring(); };
    using Runners = CRavikApp::DialogRunners;
    // A dialog runs modally with the main window as parent; its command waits for its runner.
    const auto dialog = [&, this](int id, std::function<bool(CRavikApp&)> Runners::*runner, bool needsIdleUnit) {
        frame(id, {[this, runner] { (m_app.m_runners.*runner)(m_app); },
                   [this, runner, needsIdleUnit, connectedIdle] {
                       return static_cast<bool>(m_app.m_runners.*runner) && (!needsIdleUnit || connectedIdle());
                   },
                   {}, {}});
    };

    frame(cmd::kExit, {[this] { close(); }, always, {}, {}});
    frame(cmd::kViewToolbar, {[this] { m_toolbar->setVisible(m_toolbar->isHidden()); }, always,
                              [this] { return !m_toolbar->isHidden(); }, {}});
    frame(cmd::kViewStatusBar, {[this] { statusBar()->setVisible(statusBar()->isHidden()); }, always,
                                [this] { return !statusBar()->isHidden(); }, {}});
    frame(cmd::kChannelNavigator, {[this] { OnChannelNavigator(); }, always,
                                   [this] { return !m_navigatorBar->isHidden(); }, {}});
    frame(cmd::kTraceInfo, {[this] { OnTraceInfo(); }, [this] { return static_cast<bool>(m_app.m_runners.makeTraceInfoBar); },
                            [this] { return m_app.m_settings.m_bTraceInfoVisible != 0; }, {}});
    frame(cmd::kSensorWindow, {[this] { OnSensorWindow(); }, [this] { return static_cast<bool>(m_app.m_runners.makeSensorWindow); },
                               [this] { return !m_sensorWindow.isNull(); }, {}});
    dialog(cmd::kMeasurementInfo, &Runners::measurementInfo, false);
    dialog(cmd::kWheelList, &Runners::wheelList, false);
    dialog(cmd::kAntennaList, &Runners::antennaList, false);
    dialog(cmd::kMarkersSetup, &Runners::markers, false);
    dialog(cmd::kNewWheel, &Runners::newWheelCalibration, true);
    dialog(cmd::kGpsSetup, &Runners::gpsSetup, false);
    frame(cmd::kGpsOnOff, {[this] { OnGpsOnOff(); }, [this] { return m_app.Gps() != nullptr; },
                           [this] { return m_app.Gps() && m_app.Gps()->IsOpen(); }, {}});
    // Space keys and Save are taken and do nothing: a data file is written by the
    // measurement alone, never replaced by a save.
    for (int id : {cmd::kSpace, cmd::kShiftSpace, cmd::kSave})
        frame(id, {[] {}, always, {}, {}});
    frame(cmd::kClose, {[this] { CloseActiveChild(); },
                        [this] { return ActiveDocument() && !m_app.m_status.IsMeasuring(); }, {}, {}});
    frame(cmd::kCascade, {[this] { m_wall->cascadeSubWindows(); }, always, {}, {}});
    frame(cmd::kTile, {[this] { m_wall->tileSubWindows(); }, always, {}, {}});
    // The area itself keeps minimised child windows in a row along its bottom.
    frame(cmd::kArrangeIcons, {[] {}, always, {}, {}});
}

bool CMainFrame::RunCommand(int id)
{
    const bool ran = m_router.Dispatch(id);
    UpdateCommandUI();
    return ran;
}

QAction* CMainFrame::Action(int id)
{
    auto& action = m_actions[id];
    if (!action) {
        action = new QAction(this);
        action->setObjectName(QStringLiteral("a%1").arg(id));
        action->setCheckable(IsCheckableCommand(id));
        action->setStatusTip(Latin1(CommandPrompt(id)));
        action->setToolTip(Latin1(CommandTooltip(id)));
        action->setIconVisibleInMenu(false);
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    }
    return action;
}

QAction* CMainFrame::CommandAction(int id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::UpdateCommandUI()
{
    for (auto& [id, action] : m_actions) {
        action->setEnabled(m_router.IsEnabled(id));
        if (action->isCheckable())
            action->setChecked(m_router.IsChecked(id));
    }
    for (int i = 0; i < cmd::kPaneCount; ++i)
        m_panes[static_cast<std::size_t>(i)]->setText(Latin1(m_router.Text(cmd::kPane1 + i)));
    // The child windows' boxes follow the measurement as the commands do: gone right after
    // Start, back after any stop, the one an error or the main window's closing makes too.
    const bool measuring = m_app.m_status.IsMeasuring();
    for (QMdiSubWindow* sub : m_wall->subWindowList())
        if (auto* child = qobject_cast<CChildFrame*>(sub))
            child->FollowMeasuring(measuring);
    UpdateTitles();
    UpdateWindowList();
}

void CMainFrame::UpdateTitles()
{
    for (QMdiSubWindow* sub : m_wall->subWindowList())
        if (auto* child = qobject_cast<CChildFrame*>(sub))
            child->UpdateTitle();
    UpdateFrameTitle();
}

// The program's name, followed by the document's name while the active child window is
// restored and shows a document. A maximised child's own title shows in its caption bar
// inside the main window, so it is never added.
QString CMainFrame::FrameTitle() const
{
    auto* child = m_wall ? qobject_cast<CChildFrame*>(m_wall->currentSubWindow()) : nullptr;
    if (!child || child->isMaximized() || !child->Document())
        return Title();
    const std::string name = child->Document()->GetTitle();
    return name.empty() ? Title() : Title() + " - " + Latin1(name);
}

void CMainFrame::UpdateFrameTitle()
{
    const QString title = FrameTitle();
    if (windowTitle() != title)
        setWindowTitle(title);
}

// ---- menus, toolbar, status bar ---------------------------------------------------------

// Both menu bars are built once and only swapped: a command chosen from a menu may open or
// close a document, and the menu it came from must outlive it (Qt still uses it afterwards).
void CMainFrame::BuildMenus()
{
    for (const bool documentMenus : {false, true}) {
        std::vector<QMenu*>& menus = m_menus[documentMenus ? 1 : 0];
        const unsigned which = documentMenus ? kDocumentMenu : kNoDocumentMenu;
        QMenu* menu = nullptr;
        for (const FrameMenuItem& item : FrameMenuTable()) {
            if (!(item.menus & which))
                continue;
            if (!menu || menu->title() != QLatin1String(item.menu)) {
                menu = new QMenu(QString::fromLatin1(item.menu), menuBar());
                menus.push_back(menu);
                if (item.id == cmd::kCascade)
                    m_windowMenu = menu;
                connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
            }
            if (!item.text) {
                menu->addSeparator();
            } else if (item.id == cmd::kRecentFile1) {
                for (int i = 0; i < cmd::kRecentFileCount; ++i) {
                    QAction* recent = Action(cmd::kRecentFile1 + i);
                    recent->setText(QString::fromLatin1(item.text));
                    menu->addAction(recent);
                }
                connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateRecentFiles);
            } else {
                menu->addAction(Action(item.id));
            }
        }
    }
    ShowMenus(false);
}

void CMainFrame::ShowMenus(bool documentMenus)
{
    m_documentMenus = documentMenus;
    // Takes the other bar's titles out of the menu bar; the menus themselves stay.
    menuBar()->clear();
    for (QMenu* menu : m_menus[documentMenus ? 1 : 0])
        menuBar()->addAction(menu->menuAction());
    // A command shared by both bars may be named differently in each.
    const unsigned which = documentMenus ? kDocumentMenu : kNoDocumentMenu;
    for (const FrameMenuItem& item : FrameMenuTable())
        if ((item.menus & which) && item.text && item.id != cmd::kRecentFile1)
            Action(item.id)->setText(QString::fromLatin1(item.text));
    UpdateRecentFiles();
    UpdateCommandUI();
}

// Below the Window menu's own commands, one numbered entry per child window, the active one
// checked; choosing an entry makes its window the active one. Entries are only hidden when
// windows go, never deleted: the one chosen may be running.
void CMainFrame::UpdateWindowList()
{
    if (!m_windowMenu)
        return;
    const QList<QMdiSubWindow*> children = m_wall->subWindowList();
    const auto count = static_cast<std::size_t>(children.size());
    if (m_windowList.empty())
        m_windowList.push_back(m_windowMenu->addSeparator());
    while (m_windowList.size() < count + 1) {
        const std::size_t i = m_windowList.size() - 1;
        QAction* entry = m_windowMenu->addAction(QString());
        entry->setCheckable(true);
        connect(entry, &QAction::triggered, this, [this, i] {
            const QList<QMdiSubWindow*> now = m_wall->subWindowList();
            if (i < static_cast<std::size_t>(now.size()))
                m_wall->setActiveSubWindow(now[static_cast<qsizetype>(i)]);
            UpdateCommandUI();
        });
        m_windowList.push_back(entry);
    }
    m_windowList[0]->setVisible(count > 0);
    for (std::size_t i = 0; i + 1 < m_windowList.size(); ++i) {
        QAction* entry = m_windowList[i + 1];
        entry->setVisible(i < count);
        if (i >= count)
            continue;
        QMdiSubWindow* child = children[static_cast<qsizetype>(i)];
        QString title = child->windowTitle();
        title.replace('&', "&&");
        entry->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(title));
        entry->setChecked(child == m_wall->currentSubWindow());
    }
}

void CMainFrame::UpdateMenus()
{
    const bool withDocument = DocumentCount() > 0;
    if (withDocument != m_documentMenus)
        ShowMenus(withDocument);
}

void CMainFrame::UpdateRecentFiles()
{
    for (int i = 0; i < cmd::kRecentFileCount; ++i) {
        QAction* action = Action(cmd::kRecentFile1 + i);
        const bool present = i < m_app.m_recentFiles.Count();
        // The list's place shows "Recent File" greyed while it is empty.
        action->setVisible(present || i == 0);
        if (present) {
            const std::string shown = CRecentFiles::DisplayName(m_app.m_recentFiles.At(i), QDir::currentPath().toStdString());
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QString::fromStdString(shown)));
        } else {
            action->setText("Recent File");
        }
    }
}

void CMainFrame::BuildToolbar()
{
    m_toolbar = new QToolBar("Toolbar", this);
    m_toolbar->setObjectName("tb59392");
    m_toolbar->setIconSize(QSize(20, 20));
    m_toolbar->setMovable(true);
    for (int id : FrameToolbarTable()) {
        if (id == 0) {
            m_toolbar->addSeparator();
            continue;
        }
        QAction* action = Action(id);
        action->setIcon(QIcon(pictures::ToolbarButton(id)));
        m_toolbar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_toolbar);
}

void CMainFrame::BuildStatusBar()
{
    statusBar()->setObjectName("sb59393");
    m_statusText = new QLabel(QString::fromLatin1(MessageText(57345)), this);
    m_statusText->setObjectName("statustext");
    statusBar()->addWidget(m_statusText, 1);
    // The panes' pixel widths were chosen for a smaller font than the desktop's: each is as
    // wide as the widest text the views put in it, in the status bar's font, and no narrower.
    const std::vector<radargram::StatusTexts> widest = radargram::WidestStatusTexts();
    for (int i = 0; i < cmd::kPaneCount; ++i) {
        auto* pane = new QLabel(QStringLiteral("Indicator %1").arg(i + 1), this);
        pane->setObjectName(QStringLiteral("c%1").arg(cmd::kPane1 + i));
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        statusBar()->addPermanentWidget(pane);
        int width = kPaneWidths[i];
        for (const radargram::StatusTexts& t : widest) {
            const std::string* texts[] = {&t.trace, &t.sample, &t.pos, &t.depth};
            width = std::max(width, LabelWidthFor(*pane, Latin1(*texts[i])));
        }
        pane->setFixedWidth(width);
        m_panes.push_back(pane);
    }
    // The lock-key panes: Qt tells nothing of the lock keys' state, so they stay greyed.
    for (const char* name : {"CAP", "NUM", "SCRL"}) {
        auto* pane = new QLabel(name, this);
        pane->setObjectName(QStringLiteral("ind%1").arg(name));
        pane->setEnabled(false);
        statusBar()->addPermanentWidget(pane);
    }
}

// The position bar stands in the toolbar's row, right of it, while the window is wide enough
// for both; on a narrower screen it takes a row of its own below the toolbar, so that every
// toolbar button stays in reach.
void CMainFrame::BuildPositionRow()
{
    m_positionRow = new QToolBar("Position bar", this);
    m_positionRow->setObjectName("positionbar");
    m_positionRow->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    m_positionBar = new CWorkload(m_app, m_positionRow);
    m_positionRow->addWidget(m_positionBar);
    addToolBar(Qt::TopToolBarArea, m_positionRow);
    PlacePositionRow();
}

void CMainFrame::PlacePositionRow()
{
    // Only the row the two share is the frame's to arrange; where the operator dragged
    // either bar is left as it is.
    if (toolBarArea(m_positionRow) != toolBarArea(m_toolbar) || m_toolbar->orientation() != Qt::Horizontal)
        return;
    const int spacing = style()->pixelMetric(QStyle::PM_ToolBarItemSpacing, nullptr, this);
    const bool fits = m_toolbar->sizeHint().width() + spacing + m_positionRow->sizeHint().width() <= width();
    const bool ownRow = toolBarBreak(m_positionRow);
    if (fits && ownRow)
        removeToolBarBreak(m_positionRow);
    else if (!fits && !ownRow)
        insertToolBarBreak(m_positionRow);
}

// ---- docking bars -----------------------------------------------------------------------

void CMainFrame::BuildNavigatorBar()
{
    m_navigatorBar = new CSizingBar("Channel Navigator", 59425, this);
    m_tree = new CChannelTree(m_app, [this](int code) { return OnSelectChannel(code); }, m_navigatorBar);
    m_navigatorBar->setWidget(m_tree);
    addDockWidget(Qt::LeftDockWidgetArea, m_navigatorBar);
    // The bar's pixel width was chosen for a smaller font than the desktop's: it is as wide
    // as the longest item of the tree needs in the tree's font, and no narrower.
    resizeDocks({m_navigatorBar}, {std::max(CSizingBar::kInitialSize, m_tree->WidthForEveryItem())}, Qt::Horizontal);
    m_navigatorBar->setVisible(m_app.m_settings.m_bChannelBarVisible != 0);
    connect(m_navigatorBar, &CSizingBar::closeRequested, this, [this] {
        ShowNavigator(false);
        UpdateCommandUI();
    });
}

void CMainFrame::OnChannelNavigator()
{
    if (!m_app.m_status.IsMeasuring() && m_app.m_status.IsConnected())
        m_tree->Rebuild();
    ShowNavigator(m_app.m_settings.m_bChannelBarVisible == 0);
}

void CMainFrame::ShowNavigator(bool show)
{
    m_app.m_settings.m_bChannelBarVisible = show ? 1 : 0;
    m_navigatorBar->setVisible(show);
}

CSizingBar* CMainFrame::TraceInfoBar()
{
    if (!m_traceInfoBar && m_app.m_runners.makeTraceInfoBar) {
        m_traceInfoBar = new CSizingBar("Trace info", 59424, this);
        if (QWidget* contents = m_app.m_runners.makeTraceInfoBar(m_app, m_traceInfoBar))
            m_traceInfoBar->setWidget(contents);
        addDockWidget(Qt::RightDockWidgetArea, m_traceInfoBar);
        resizeDocks({m_traceInfoBar}, {CSizingBar::kInitialSize}, Qt::Horizontal);
        m_traceInfoBar->setVisible(m_app.m_settings.m_bTraceInfoVisible != 0);
        connect(m_traceInfoBar, &CSizingBar::closeRequested, this, [this] {
            ShowTraceInfo(false);
            UpdateCommandUI();
        });
    }
    return m_traceInfoBar;
}

void CMainFrame::OnTraceInfo()
{
    ShowTraceInfo(m_app.m_settings.m_bTraceInfoVisible == 0);
}

void CMainFrame::ShowTraceInfo(bool show)
{
    m_app.m_settings.m_bTraceInfoVisible = show ? 1 : 0;
    if (CSizingBar* bar = TraceInfoBar())
        bar->setVisible(show);
}

// ---- the frame's other commands ---------------------------------------------------------

void CMainFrame::OnSensorWindow()
{
    if (m_sensorWindow) {
        delete m_sensorWindow;
        return;
    }
    QWidget* window = m_app.m_runners.makeSensorWindow(m_app, this);
    if (!window)
        return;
    // A window of its own that stays above the main window, and above it alone, whatever
    // is clicked there: the window manager keeps a window above the one it is transient for,
    // and a plain top-level window is transient for none. Closing it deletes it, which also
    // clears the pointer.
    window->setParent(this, Qt::Tool);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle("50/60 Hz sensor data");
    window->setGeometry(kSensorWindowRect);
    window->show();
    m_sensorWindow = window;
}

void CMainFrame::OnGpsOnOff()
{
    GpsControl* gps = m_app.Gps();
    gps->Enable(!gps->IsOpen());
    PositionBar().Update();
}

void CMainFrame::CloseActiveChild()
{
    if (QMdiSubWindow* child = m_wall->currentSubWindow())
        child->close();
}

bool CMainFrame::OnSelectChannel(int code)
{
    const int slot = code / 10;
    const int channel = code % 10;
    if (code < 0 || slot >= CMeasParamSet::kSlots || channel > 1)
        return false;
    AppDocument* doc = ActiveDocument();
    if (!doc || !m_app.m_params.m_params[slot * 2 + channel].m_bActive)
        return false;
    m_app.m_params.m_nCurChannel = static_cast<std::int16_t>(channel);
    m_app.m_params.m_nCurSlot = static_cast<std::int16_t>(slot);
    // A running acquisition counts positions in the current slot's traces from now on.
    if (CAcquisition* acquisition = m_app.Acquisition())
        acquisition->FollowSlot(slot);
    doc->RefreshViews();
    UpdateTitles();
    update();
    return true;
}

// ---- documents --------------------------------------------------------------------------

AppDocument* CMainFrame::ActiveDocument() const
{
    // The current child stays current while the main window itself is not the active one.
    auto* child = qobject_cast<CChildFrame*>(m_wall->currentSubWindow());
    return child ? child->Document() : nullptr;
}

AppDocument* CMainFrame::AddDocument(std::unique_ptr<AppDocument> doc)
{
    AppDocument* raw = doc.get();
    auto* child = new CChildFrame(m_app, std::move(doc));
    m_wall->addSubWindow(child);
    connect(child, &CChildFrame::documentClosing, this, [this](AppDocument* closing) { m_router.Unregister(closing); });
    // A child closed by its own close box leaves the document menus behind it.
    connect(child, &QObject::destroyed, this, [this] { QTimer::singleShot(0, this, &CMainFrame::UpdateMenus); });
    connect(child, &QMdiSubWindow::windowStateChanged, this, &CMainFrame::UpdateFrameTitle);
    child->showMaximized();
    m_wall->setActiveSubWindow(child);
    UpdateMenus();
    return raw;
}

void CMainFrame::CloseDocument(AppDocument* doc)
{
    for (QMdiSubWindow* sub : m_wall->subWindowList()) {
        auto* child = qobject_cast<CChildFrame*>(sub);
        if (child && child->Document() == doc) {
            child->CloseDocument();
            m_wall->removeSubWindow(child);
            child->deleteLater();
            break;
        }
    }
    UpdateMenus();
}

void CMainFrame::CloseAllDocuments()
{
    for (QMdiSubWindow* sub : m_wall->subWindowList())
        if (auto* child = qobject_cast<CChildFrame*>(sub))
            CloseDocument(child->Document());
}

int CMainFrame::DocumentCount() const
{
    int n = 0;
    for (QMdiSubWindow* sub : m_wall->subWindowList())
        if (auto* child = qobject_cast<CChildFrame*>(sub); child && child->Document())
            ++n;
    return n;
}

// ---- timer, closing, title, status tips -------------------------------------------------

void CMainFrame::OnTimer()
{
    if (!m_app.m_settings.m_bUnitCheck || m_app.m_status.IsMeasuring())
        return;
    // A message or dialog runs its own event loop, and a presence check may be what shows it
    // (the link reports a missing adapter while it opens): a tick there would start a second
    // check inside the first and pile up messages, or wait forever on the link. It waits for
    // the next tick after the message has gone.
    if (m_inTick || QApplication::activeModalWidget())
        return;
    m_inTick = true;
    const bool wasConnected = m_app.m_status.IsConnected();
    m_app.PollControlUnit();
    if (wasConnected != m_app.m_status.IsConnected() || m_forceRefresh) {
        m_tree->RefreshIfChanged();
        PositionBar().Update();
        m_forceRefresh = false;
    }
    m_inTick = false;
    UpdateCommandUI();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // A running measurement is stopped as Stop does it (thread joined, traces flushed,
    // headers rewritten) before any document closes.
    m_app.OnMainWindowClose();
    m_statusTimer.stop();
    delete m_sensorWindow;
    CloseAllDocuments();
    event->accept();
}

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The splash stays over the main window also where no window manager keeps it on top.
    if (m_splash->isVisible())
        m_splash->raise();
}

void CMainFrame::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    PlacePositionRow();
}

bool CMainFrame::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowTitleChange:
        // Qt adds a maximised child window's title to the main window's: taken back out.
        UpdateFrameTitle();
        break;
    case QEvent::StatusTip: {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        m_statusText->setText(tip.isEmpty() ? QString::fromLatin1(MessageText(57345)) : tip);
        return true;
    }
    default:
        break;
    }
    return QMainWindow::event(event);
}
