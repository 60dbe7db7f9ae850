// The main window "Delvora for Tolam and Z5K": menus, toolbar, status bar, the position bar
// in the toolbar's row, the docking bars and the area where the documents' child windows
// live. It runs the status timer that watches the control unit, routes every command of the
// menus, keys and toolbar (CommandRouter), selects the current channel and handles the
// frame's own commands. Its title is "Delvora for Tolam and Z5K", followed by " - " and the
// document's name while the active child window is restored (not maximised) and shows a
// document; a maximised child's title is never merged into it.
#pragma once

#include "shell/AppDocument.h"
#include "shell/CommandRouter.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <map>
#include <memory>
#include <vector>

class CChannelTree;
class CRavikApp;
class CSizingBar;
class CSplashWnd;
class CWallFrame;
class CWorkload;
class QAction;
class QLabel;
class QMenu;
class QToolBar;
class ShellKeyFilter;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kStatusTimerMs = 2000;
    static constexpr int kCommandUiMs = 250;
    static constexpr int kSplashMs = 4000;

    explicit CMainFrame(CRavikApp& app, int splashMs = kSplashMs);
    ~CMainFrame() override;

    virtual CWorkload& PositionBar();

    // The document of the active child window, or null.
    AppDocument* ActiveDocument() const;
    // Shows `doc` in a new child window and makes it the active one.
    AppDocument* AddDocument(std::unique_ptr<AppDocument> doc);
    // Closes `doc` (its files) and its window.
    void CloseDocument(AppDocument* doc);
    void CloseAllDocuments();
    int DocumentCount() const;

    // Where every command goes; documents and views register theirs here.
    CommandRouter& Router() { return m_router; }
    // Runs command `id` when it is enabled, then brings the menus and toolbar up to date.
    bool RunCommand(int id);
    // Enables, disables and checks every command by the rules of whoever handles it.
    void UpdateCommandUI();
    QAction* CommandAction(int id) const;
    // Whether the menus of an open document are shown (else those without one).
    bool ShowsDocumentMenus() const { return m_documentMenus; }

    // One tick of the status timer: the presence check while the unit check is on, nothing is
    // measured and no message or dialog is open.
    void OnTimer();
    QTimer& StatusTimer() { return m_statusTimer; }
    // slot * 10 + channel of an active channel becomes the current one: true. Without an
    // active document or for an inactive channel nothing changes: false.
    bool OnSelectChannel(int code);

    CSplashWnd& Splash() { return *m_splash; }
    CWallFrame& Wall() { return *m_wall; }
    QToolBar& Toolbar() { return *m_toolbar; }
    CSizingBar& NavigatorBar() { return *m_navigatorBar; }
    // The navigator's tree; the measurement settings and the document rebuild it.
    CChannelTree& ChannelTree() { return *m_tree; }
    // The "Trace info" bar; null while its contents are not part of this build.
    CSizingBar* TraceInfoBar();
    // The open 50/60 Hz sensor window, or null.
    QWidget* SensorWindow() const { return m_sensorWindow; }
    // Status pane 0..3 (ids 59142..59145).
    QLabel& Pane(int index) { return *m_panes[static_cast<std::size_t>(index)]; }
    QLabel& MessagePane() { return *m_statusText; }

    // None: bars are shown and hidden only through their View commands and close boxes, so
    // that what the commands check and what the next start shows is what is on screen.
    QMenu* createPopupMenu() override { return nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildToolbar();
    void BuildPositionRow();
    void PlacePositionRow();
    void BuildStatusBar();
    void BuildNavigatorBar();
    void BuildMenus();
    void ShowMenus(bool documentMenus);
    void UpdateMenus();
    QAction* Action(int id);
    void RegisterAppCommands();
    void RegisterFrameCommands();
    void UpdateRecentFiles();
    void UpdateTitles();
    QString FrameTitle() const;
    void UpdateFrameTitle();
    void UpdateWindowList();

    void OnChannelNavigator();
    void ShowNavigator(bool show);
    void OnTraceInfo();
    void ShowTraceInfo(bool show);
    void OnSensorWindow();
    void OnGpsOnOff();
    void CloseActiveChild();

    CRavikApp& m_app;
    CommandRouter m_router;
    CWallFrame* m_wall = nullptr;
    QToolBar* m_toolbar = nullptr;
    QToolBar* m_positionRow = nullptr;  // holds the position bar
    CWorkload* m_positionBar = nullptr;
    CSizingBar* m_navigatorBar = nullptr;
    CChannelTree* m_tree = nullptr;
    CSizingBar* m_traceInfoBar = nullptr;
    QPointer<QWidget> m_sensorWindow;
    QLabel* m_statusText = nullptr;
    std::vector<QLabel*> m_panes;
    std::vector<QMenu*> m_menus[2];        // without and with a document
    QMenu* m_windowMenu = nullptr;         // the Window menu of the document menus
    std::vector<QAction*> m_windowList;    // its separator, then the entries (unused ones hidden)
    bool m_documentMenus = false;
    QTimer m_statusTimer;
    QTimer m_commandUiTimer;
    std::map<int, QAction*> m_actions;
    bool m_forceRefresh = true;  // the first tick that runs refreshes the bars
    bool m_inTick = false;      // a presence check of the status timer runs
    std::unique_ptr<CSplashWnd> m_splash;
    std::unique_ptr<ShellKeyFilter> m_keys;
};
