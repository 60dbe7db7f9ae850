#include "shell/SplashWnd.h"

#include "shell/Pictures.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <memory>

namespace {
constexpr int kCornerRadius = 10;  // corners of 20 x 20 ellipses
}

CSplashWnd::CSplashWnd(QWidget* keysTo)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                           | Qt::WindowDoesNotAcceptFocus),
      m_keysTo(keysTo),
      m_picture(pictures::Splash())
{
    setObjectName("splash");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(m_picture.size());
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));

    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &QWidget::hide);
}

void CSplashWnd::ShowSplash(int ms)
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    m_timer.start(ms);
}

bool CSplashWnd::event(QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && m_keysTo) {
        QWidget* target = m_keysTo->focusWidget() ? m_keysTo->focusWidget() : m_keysTo.data();
        std::unique_ptr<QEvent> copy(event->clone());
        QCoreApplication::sendEvent(target, copy.get());
        return true;
    }
    return QWidget::event(event);
}

void CSplashWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, m_picture);
}

void CSplashWnd::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_timer.stop();
    hide();
}
