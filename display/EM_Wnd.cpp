#include "display/EM_Wnd.h"

#include "model/EM_Data.h"
#include "model/Profile.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QStyle>

#include <mutex>
#include <vector>

namespace {

constexpr const char* kLeft = "EM_view_pos_left";
constexpr const char* kTop = "EM_view_pos_top";
constexpr const char* kRight = "EM_view_pos_right";
constexpr const char* kBottom = "EM_view_pos_bottom";
constexpr int kSmallest = 50;

QRect PrimaryScreenArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

} // namespace

QRect CEM_Wnd::Place(int left, int top, int right, int bottom, const QRect& screen, int iconWidth, int iconHeight)
{
    const int w = screen.width();
    const int h = screen.height();
    if (left > w) {
        left = w - (right - left) - iconWidth;
        right = w - iconWidth;
    }
    if (top > h) {
        top = h - (bottom - top) - iconHeight;
        bottom = h - iconHeight;
    }
    const QRect r(left, top, right - left, bottom - top);
    // A window that cannot be seen or grabbed is of no use: it starts at its first place.
    if (r.width() < kSmallest || r.height() < kSmallest || !r.intersects(screen))
        return DefaultRect();
    return r;
}

CEM_Wnd::CEM_Wnd(std::unique_ptr<EmSource> source, Profile& profile, QWidget* owner, QRect screen, int iconSize)
    : QWidget(owner, Qt::Window), m_source(std::move(source)), m_profile(profile)
{
    setWindowTitle("50/60 Hz sensor data");
    if (screen.isEmpty())
        screen = PrimaryScreenArea();
    if (iconSize < 0)
        iconSize = style()->pixelMetric(QStyle::PM_LargeIconSize);
    const int top = profile.getInt(kSection, kTop, 100);
    const int left = profile.getInt(kSection, kLeft, 100);
    const int bottom = profile.getInt(kSection, kBottom, 500);
    const int right = profile.getInt(kSection, kRight, 300);
    m_saved = Place(left, top, right, bottom, screen, iconSize, iconSize);
    setGeometry(m_saved);
}

CEM_Wnd::~CEM_Wnd()
{
    const QRect r = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    m_profile.writeInt(kSection, kTop, r.top());
    m_profile.writeInt(kSection, kLeft, r.left());
    m_profile.writeInt(kSection, kBottom, r.top() + r.height());
    m_profile.writeInt(kSection, kRight, r.left() + r.width());
}

void CEM_Wnd::showEvent(QShowEvent* event)
{
    // Whatever place the window was made at, it opens where it was last.
    if (!m_placed) {
        m_placed = true;
        setGeometry(m_saved);
    }
    QWidget::showEvent(event);
}

void CEM_Wnd::paintEvent(QPaintEvent*)
{
    QPainter dc(this);
    const QRect client = rect();
    dc.fillRect(client, Qt::white);
    int first = 0, count = 0;
    if (!m_source || !m_source->VisibleTraces(first, count))
        return;
    const int w = client.width();
    const int h = client.height();
    const int mid = (client.top() + client.bottom() + 1) / 2;
    const int end = first >= count - w ? count : first + w;
    if (end - first <= 0)
        return;

    // The values are copied under the sensor lock; nothing is drawn while it is held.
    std::vector<float> diff13(static_cast<std::size_t>(end - first), 0.0f);
    std::vector<float> diff24(diff13.size(), 0.0f);
    if (const CEM_Data* data = m_source->SensorData()) {
        std::lock_guard lock(data->GetLock());
        for (int t = first; t < end; ++t) {
            diff13[static_cast<std::size_t>(t - first)] = data->GetLogDiff13(t);
            diff24[static_cast<std::size_t>(t - first)] = data->GetLogDiff24(t);
        }
    }
    auto curve = [&](const std::vector<float>& values) {
        QPolygon points;
        points.reserve(static_cast<int>(values.size()));
        for (std::size_t i = 0; i < values.size(); ++i) {
            const int y = mid + static_cast<int>(values[i] / 10.0f * static_cast<float>(h));
            points << QPoint(i == 0 ? client.left() : static_cast<int>(i), y);
        }
        dc.drawPolyline(points);
    };
    dc.setPen(QPen(QColor(255, 0, 0), 1));
    curve(diff13);
    dc.setPen(QPen(QColor(0, 255, 0), 1));
    curve(diff24);
    dc.setPen(QPen(Qt::black, 1));
    dc.drawLine(client.left(), mid, client.right(), mid);
}
