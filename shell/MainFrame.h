// The main window "Delvora for Tolam and Z5K": menus, status bar, the position bar in the
// toolbar row and the area where the documents' child windows live. It runs the status
// timer that watches the control unit, turns the digit keys 1 to 9 into marker
// notifications and keeps the enabling of the commands current.
//
// This build has the menus of the application's own commands and the frame's Exit; the
// toolbar, the docking bars and the splash window come with the main frame itself.
#pragma once

#include "shell/AppDocument.h"

#include <QMainWindow>
#include <QTimer>

#include <map>
#include <memory>

class CRavikApp;
class CWorkload;
class QAction;
class QLabel;
class QMdiArea;
class QMenu;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kStatusTimerMs = 2000;
    static constexpr int kCommandUiMs = 250;

    explicit CMainFrame(CRavikApp& app);
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

    // Enables, disables and checks every command by the application's rules.
    void UpdateCommandUI();
    QAction* CommandAction(int id) const;

    // One tick of the status timer.
    void OnTimer();
    QTimer& StatusTimer() { return m_statusTimer; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    QAction* AddCommand(QMenu* menu, int id, const char* text = nullptr);
    void UpdateRecentFiles();

    CRavikApp& m_app;
    QMdiArea* m_mdi = nullptr;
    CWorkload* m_positionBar = nullptr;
    QLabel* m_statusText = nullptr;
    QTimer m_statusTimer;
    QTimer m_commandUiTimer;
    std::map<int, QAction*> m_actions;
    bool m_forceRefresh = true;  // the first tick that runs refreshes the bars
    const QEvent* m_lastMarkerKey = nullptr;
    unsigned long m_lastMarkerKeyTime = 0;
};
