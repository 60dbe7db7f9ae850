// The picture shown over the desktop for a few seconds at start, clipped to a rounded
// rectangle. Its timer or a left click closes it. It never takes the keyboard focus, so
// keys typed meanwhile reach the main window.
#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    CSplashWnd();

    // Shows the splash and closes it after `ms`.
    void ShowSplash(int ms);
    QTimer& Timer() { return m_timer; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPixmap m_picture;
    QTimer m_timer;
};
