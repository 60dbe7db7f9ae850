#include "shell/Pictures.h"

#include "shell/CommandIds.h"
#include "shell/FrameCommands.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QPixmap Blank(int w, int h)
{
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    return pm;
}

void Triangle(QPainter& p, QColor c)
{
    const QPointF pts[] = {{5, 3}, {16, 10}, {5, 17}};
    p.setBrush(c);
    p.drawPolygon(pts, 3);
}

void Wave(QPainter& p, double cycles, QColor c)
{
    QPainterPath path;
    for (int x = 2; x <= 18; ++x) {
        const double y = 10 - 5 * std::sin((x - 2) / 16.0 * cycles * 2 * M_PI);
        if (x == 2)
            path.moveTo(x, y);
        else
            path.lineTo(x, y);
    }
    p.setPen(QPen(c, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

// Hyperbolas of buried objects, as a radargram shows them.
void Reflections(QPainter& p, const QRectF& r, QColor c)
{
    p.setPen(QPen(c, 2));
    p.setBrush(Qt::NoBrush);
    const double xs[] = {0.22, 0.5, 0.78};
    const double ys[] = {0.55, 0.38, 0.62};
    for (int i = 0; i < 3; ++i) {
        QPainterPath path;
        const double cx = r.left() + xs[i] * r.width();
        const double cy = r.top() + ys[i] * r.height();
        for (int k = -40; k <= 40; ++k) {
            const double x = cx + k * r.width() / 400.0;
            const double y = cy + std::sqrt(1.0 + k * k / 90.0) * 14 - 14;
            if (k == -40)
                path.moveTo(x, y);
            else
                path.lineTo(x, y);
        }
        p.drawPath(path);
    }
}

QPixmap Picture(int w, int h, QColor top, QColor bottom, QColor lines, int titleSize)
{
    QPixmap pm(w, h);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(pm.rect(), g);
    Reflections(p, QRectF(0, h * 0.35, w, h * 0.65), lines);
    QFont font("Sans");
    font.setBold(true);
    font.setPixelSize(titleSize);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, h / 12, w, titleSize + 8), Qt::AlignHCenter, "Delvora");
    font.setBold(false);
    font.setPixelSize(titleSize / 3);
    p.setFont(font);
    p.drawText(QRect(0, h / 12 + titleSize + 8, w, titleSize / 3 + 6), Qt::AlignHCenter, "for Tolam and Z5K");
    return pm;
}

} // namespace

namespace pictures {

// A reflection hyperbola under the ground line, as the first radargram of a buried pipe
// shows it.
QIcon FrameIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pm = Blank(size, size);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        QLinearGradient ground(0, 0, 0, 32);
        ground.setColorAt(0, QColor(10, 40, 90));
        ground.setColorAt(1, QColor(70, 50, 20));
        p.setPen(Qt::NoPen);
        p.setBrush(ground);
        p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 4, 4);
        p.setPen(QPen(QColor(120, 200, 90), 2));
        p.drawLine(QPointF(3, 8), QPointF(29, 8));
        QPainterPath reflection;
        for (int k = -13; k <= 13; ++k) {
            const QPointF at(16 + k, 14 + std::sqrt(16.0 + k * k * 1.5) - 4);
            if (k == -13)
                reflection.moveTo(at);
            else
                reflection.lineTo(at);
        }
        p.setPen(QPen(QColor(250, 220, 120), 3));
        p.setBrush(Qt::NoBrush);
        p.drawPath(reflection);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QPixmap ToolbarButton(int id)
{
    QPixmap pm = Blank(20, 20);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    switch (id) {
    case cmd::kOpen:
        p.setBrush(QColor(240, 200, 60));
        p.drawRect(2, 6, 15, 10);
        p.drawRect(2, 4, 6, 2);
        break;
    case cmd::kPrint:
        p.setBrush(Qt::white);
        p.drawRect(6, 2, 8, 6);
        p.setBrush(QColor(160, 160, 160));
        p.drawRect(2, 8, 16, 7);
        p.setBrush(Qt::white);
        p.drawRect(6, 13, 8, 5);
        break;
    case cmd::kStart:
        Triangle(p, QColor(0, 170, 0));
        break;
    case cmd::kStop:
        p.setBrush(QColor(210, 0, 0));
        p.drawRect(4, 4, 12, 12);
        break;
    case cmd::kStartNew:
        Triangle(p, QColor(0, 170, 0));
        p.setPen(QPen(Qt::black, 2));
        p.drawLine(13, 2, 13, 8);
        p.drawLine(10, 5, 16, 5);
        break;
    case cmd::kConnect:
        p.setPen(QPen(QColor(0, 70, 180), 2));
        p.drawLine(2, 10, 7, 10);
        p.drawLine(13, 10, 18, 10);
        p.setBrush(QColor(0, 70, 180));
        p.drawRect(7, 6, 3, 8);
        p.drawRect(11, 6, 2, 8);
        break;
    case cmd::kAbout:
        p.setBrush(QColor(30, 90, 200));
        p.drawEllipse(2, 2, 16, 16);
        p.setPen(Qt::white);
        p.setFont(QFont("Sans", 9, QFont::Bold));
        p.drawText(QRect(2, 2, 16, 16), Qt::AlignCenter, "?");
        break;
    case cmd::kChannelNavigator:
        p.drawLine(5, 4, 5, 16);
        p.drawLine(5, 9, 10, 9);
        p.drawLine(5, 16, 10, 16);
        p.setBrush(QColor(0, 170, 0));
        p.drawRect(2, 2, 6, 4);
        p.drawRect(10, 7, 7, 4);
        p.drawRect(10, 14, 7, 4);
        break;
    case cmd::kContrastControl:
        p.setBrush(Qt::white);
        p.drawEllipse(3, 3, 14, 14);
        p.setBrush(Qt::black);
        p.drawPie(3, 3, 14, 14, 90 * 16, 180 * 16);
        break;
    case cmd::kTraceWindow:
        p.setBrush(Qt::white);
        p.drawRect(2, 2, 16, 16);
        Wave(p, 2.5, QColor(0, 0, 160));
        break;
    case cmd::kSensorWindow:
        Wave(p, 1.0, QColor(200, 80, 0));
        break;
    case cmd::kDisableFilters: {
        const QPointF funnel[] = {{2, 3}, {18, 3}, {12, 10}, {12, 17}, {8, 17}, {8, 10}};
        p.setBrush(QColor(120, 160, 220));
        p.drawPolygon(funnel, 6);
        p.setPen(QPen(QColor(210, 0, 0), 2));
        p.drawLine(3, 17, 17, 3);
        break;
    }
    case cmd::kGpsOnOff:
        p.setBrush(QColor(60, 150, 230));
        p.drawEllipse(3, 3, 14, 14);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(7, 3, 6, 14);
        p.drawLine(3, 10, 17, 10);
        break;
    default:
        break;
    }
    return pm;
}

QPixmap TreeImage(int index)
{
    QPixmap pm = Blank(16, 16);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    switch (index) {
    case 0:  // the unit
        p.setBrush(QColor(90, 90, 110));
        p.drawRect(1, 4, 14, 9);
        p.setBrush(QColor(0, 220, 0));
        p.drawEllipse(3, 7, 3, 3);
        break;
    case 4:   // opto module
    case 5:   // coaxial module
    case 6: { // HF module
        const QColor colours[] = {QColor(240, 150, 0), QColor(0, 110, 220), QColor(150, 60, 190)};
        p.setBrush(colours[index - 4]);
        p.drawRect(2, 1, 11, 14);
        p.setPen(Qt::white);
        p.drawLine(5, 4, 10, 4);
        p.drawLine(5, 7, 10, 7);
        break;
    }
    case 8:  // channel in use
        p.setBrush(QColor(0, 190, 0));
        p.drawEllipse(2, 2, 12, 12);
        break;
    case 9:  // channel not in use
        p.setBrush(QColor(200, 200, 200));
        p.drawEllipse(2, 2, 12, 12);
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(4, 12, 12, 4);
        break;
    default:
        break;
    }
    return pm;
}

QPixmap Splash()
{
    return Picture(440, 280, QColor(10, 40, 90), QColor(70, 50, 20), QColor(250, 220, 120), 54);
}

QPixmap Wallpaper()
{
    return Picture(320, 200, QColor(40, 70, 110), QColor(95, 85, 70), QColor(220, 200, 140), 40);
}

} // namespace pictures
