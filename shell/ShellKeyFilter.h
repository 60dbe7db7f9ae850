// The keys of the main window, wherever the focus is inside it: an application-wide event
// filter, so that plain letters, Enter, Space and the function keys act as commands also
// while an edit of a docked bar or the channel tree has the focus.
//  - A key press found in the accelerator table runs its command when that is enabled and
//    is consumed either way (a disabled command's key does nothing at all).
//  - The release of a digit 1..9 of the main keyboard (not the keypad, with or without
//    Shift, never with Ctrl or Alt, not an auto-repeat) posts the marker key notification;
//    the release itself goes on as usual.
// Keys count only while no modal dialog runs and the widget they reach belongs to the main
// window, a floating bar of it or a window it owns (the 50/60 Hz sensor window), and not its
// menu bar while that has the keys (menu mnemonics).
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class QKeyEvent;

class ShellKeyFilter : public QObject {
    Q_OBJECT
public:
    // `frame` is the main window; `dispatch` runs a command id when it is enabled.
    ShellKeyFilter(QWidget& frame, std::function<void(int)> dispatch);
    ~ShellKeyFilter() override;

    // The marker key (0..8 for keys 1..9) of a key release, or -1.
    static int MarkerKeyOf(const QKeyEvent& key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Concerns(QObject* watched) const;

    QWidget& m_frame;
    std::function<void(int)> m_dispatch;
    // A release that nobody takes travels up the parents: it counts where it first arrives.
    const QEvent* m_lastRelease = nullptr;
    QPointer<QWidget> m_lastReceiver;
};
