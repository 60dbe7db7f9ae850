// Ends the program in order when the session ends or the operator interrupts it (SIGTERM,
// SIGINT): open dialogs and message boxes are dismissed, messages that would still come are
// not shown as boxes, and the main window closes as File > Exit closes it, so the
// measurement is stopped and the settings are saved.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

class CSessionEnd : public QObject {
    Q_OBJECT
public:
    // Catches SIGTERM and SIGINT from now on. One instance per process.
    CSessionEnd();
    ~CSessionEnd() override;

    // What ending does once the signal arrived, on the user-interface thread.
    void SetHandler(std::function<void()> handler) { m_handler = std::move(handler); }
    // A signal has arrived.
    bool Requested() const { return m_requested; }

    // Dismisses every open dialog and message box.
    static void DismissDialogs();

private:
    void OnSignal();

    std::function<void()> m_handler;
    QSocketNotifier* m_notifier = nullptr;
    bool m_requested = false;
};
