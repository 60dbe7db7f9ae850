#include "shell/MainFrame.h"

#include "model/StringTable.h"
#include "shell/AppCommands.h"
#include "shell/AppEvents.h"
#include "shell/ChildFrame.h"
#include "shell/CommandIds.h"
#include "shell/PositionBar.h"
#include "shell/RavikApp.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace {

QString Title()
{
    return QString::fromLatin1(MessageText(128));
}

} // namespace

CMainFrame::CMainFrame(CRavikApp& app) : m_app(app)
{
    setObjectName("mainframe");
    setWindowTitle(Title());

    m_mdi = new QMdiArea(this);
    m_mdi->setBackground(QBrush(QColor(128, 128, 128)));
    setCentralWidget(m_mdi);

    auto* bar = new QToolBar("Position bar", this);
    bar->setObjectName("positionbar");
    bar->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    m_positionBar = new CWorkload(bar);
    bar->addWidget(m_positionBar);
    addToolBar(Qt::TopToolBarArea, bar);

    m_statusText = new QLabel(QString::fromLatin1(MessageText(57345)), this);
    m_statusText->setObjectName("statustext");
    statusBar()->addWidget(m_statusText, 1);
    for (int width : {95, 95, 105, 105}) {
        auto* pane = new QLabel(this);
        pane->setMinimumWidth(width);
        statusBar()->addPermanentWidget(pane);
    }

    BuildMenus();

    connect(&m_statusTimer, &QTimer::timeout, this, &CMainFrame::OnTimer);
    m_statusTimer.start(kStatusTimerMs);
    // Toolbar-like controls have no menu that opens before they are used: keep them current.
    connect(&m_commandUiTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
    m_commandUiTimer.start(kCommandUiMs);

    qApp->installEventFilter(this);
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    CloseAllDocuments();
}

CWorkload& CMainFrame::PositionBar()
{
    return *m_positionBar;
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const char* text)
{
    const AppCommandInfo* info = FindAppCommand(id);
    auto* action = menu->addAction(QString::fromLatin1(text ? text : info->menuText));
    action->setObjectName(QStringLiteral("a%1").arg(id));
    if (info && info->key)
        action->setShortcut(QKeySequence(QString::fromLatin1(info->key)));
    connect(action, &QAction::triggered, this, [this, id] { m_app.OnCommand(id); });
    m_actions[id] = action;
    return action;
}

void CMainFrame::BuildMenus()
{
    QMenu* file = menuBar()->addMenu("&File");
    AddCommand(file, cmd::kOpen);
    file->addSeparator();
    AddCommand(file, cmd::kPrintSetup);
    file->addSeparator();
    for (int i = 0; i < cmd::kRecentFileCount; ++i)
        AddCommand(file, cmd::kRecentFile1 + i, "Recent File")->setVisible(false);
    file->addSeparator();
    QAction* exit = file->addAction("E&xit");
    exit->setObjectName(QStringLiteral("a%1").arg(cmd::kExit));
    connect(exit, &QAction::triggered, this, &QWidget::close);
    connect(file, &QMenu::aboutToShow, this, &CMainFrame::UpdateRecentFiles);

    QMenu* view = menuBar()->addMenu("&View");
    AddCommand(view, cmd::kPaletteManager);

    QMenu* measure = menuBar()->addMenu("&Measure");
    AddCommand(measure, cmd::kConnect)->setCheckable(true);
    AddCommand(measure, cmd::kStart);
    AddCommand(measure, cmd::kStop);
    AddCommand(measure, cmd::kStartNew);
    AddCommand(measure, cmd::kMeasurementSettings);

    QMenu* tools = menuBar()->addMenu("&Tools");
    AddCommand(tools, cmd::kScalesSettings);
    AddCommand(tools, cmd::kHardwareSetup);

    QMenu* help = menuBar()->addMenu("&Help");
    AddCommand(help, cmd::kAbout);

    // F4 has a key and no menu item.
    auto* f4 = new QAction(this);
    f4->setShortcut(QKeySequence(Qt::Key_F4));
    connect(f4, &QAction::triggered, this, [this] { m_app.OnCommand(cmd::kF4); });
    addAction(f4);

    for (QMenu* menu : {file, view, measure, tools, help})
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
}

void CMainFrame::UpdateRecentFiles()
{
    for (int i = 0; i < cmd::kRecentFileCount; ++i) {
        QAction* action = m_actions[cmd::kRecentFile1 + i];
        const bool present = i < m_app.m_recentFiles.Count();
        action->setVisible(present);
        if (present) {
            const QString path = QString::fromStdString(m_app.m_recentFiles.At(i));
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
        }
    }
}

void CMainFrame::UpdateCommandUI()
{
    for (auto& [id, action] : m_actions) {
        action->setEnabled(m_app.IsCommandEnabled(id));
        if (action->isCheckable())
            action->setChecked(m_app.IsCommandChecked(id));
    }
}

QAction* CMainFrame::CommandAction(int id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

AppDocument* CMainFrame::ActiveDocument() const
{
    // The current child stays current while the main window itself is not the active one.
    auto* child = qobject_cast<CChildFrame*>(m_mdi->currentSubWindow());
    return child ? child->Document() : nullptr;
}

AppDocument* CMainFrame::AddDocument(std::unique_ptr<AppDocument> doc)
{
    AppDocument* raw = doc.get();
    auto* child = new CChildFrame(std::move(doc));
    m_mdi->addSubWindow(child);
    child->show();
    m_mdi->setActiveSubWindow(child);
    return raw;
}

void CMainFrame::CloseDocument(AppDocument* doc)
{
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        auto* child = qobject_cast<CChildFrame*>(sub);
        if (child && child->Document() == doc) {
            child->CloseDocument();
            m_mdi->removeSubWindow(child);
            child->deleteLater();
            return;
        }
    }
}

void CMainFrame::CloseAllDocuments()
{
    for (QMdiSubWindow* sub : m_mdi->subWindowList())
        if (auto* child = qobject_cast<CChildFrame*>(sub))
            CloseDocument(child->Document());
}

int CMainFrame::DocumentCount() const
{
    int n = 0;
    for (QMdiSubWindow* sub : m_mdi->subWindowList())
        if (auto* child = qobject_cast<CChildFrame*>(sub); child && child->Document())
            ++n;
    return n;
}

void CMainFrame::OnTimer()
{
    if (!m_app.m_settings.m_bUnitCheck || m_app.m_status.IsMeasuring())
        return;
    const bool wasConnected = m_app.m_status.IsConnected();
    m_app.PollControlUnit();
    if (wasConnected != m_app.m_status.IsConnected() || m_forceRefresh) {
        PositionBar().Update();
        m_forceRefresh = false;
    }
    UpdateCommandUI();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    m_app.OnMainWindowClose();
    m_statusTimer.stop();
    CloseAllDocuments();
    event->accept();
}

bool CMainFrame::event(QEvent* event)
{
    // The window's title is the program's name alone, also while a maximised child window
    // would add its own to it.
    if (event->type() == QEvent::WindowTitleChange && windowTitle() != Title())
        setWindowTitle(Title());
    return QMainWindow::event(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* widget = qobject_cast<QWidget*>(watched);
        // A key event travels up the parents: take it once, where it first arrives.
        const bool seen = event == m_lastMarkerKey && key->timestamp() == m_lastMarkerKeyTime;
        if (!seen && widget && widget->window() == this && !key->isAutoRepeat()
            && !(key->modifiers() & Qt::KeypadModifier) && key->key() >= Qt::Key_1
            && key->key() <= Qt::Key_9) {
            m_lastMarkerKey = event;
            m_lastMarkerKeyTime = key->timestamp();
            PostAppEvent(appevent::MarkerKey(key->key() - Qt::Key_1));
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
