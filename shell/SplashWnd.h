// The picture shown over the desktop for a few seconds at start, clipped to a rounded
// rectangle. Its timer or a left click closes it. It never takes the keyboard focus, and
// keys that reach it all the same (the pointer over it, no window manager) are passed on to
// the main window, so nothing typed meanwhile is lost.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    // `keysTo` is the window that receives the keys typed while the splash shows.
    explicit CSplashWnd(QWidget* keysTo = nullptr);

    // Shows the splash and closes it after `ms`.
    void ShowSplash(int ms);
    QTimer& Timer() { return m_timer; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPointer<QWidget> m_keysTo;
    QPixmap m_picture;
    QTimer m_timer;
};
