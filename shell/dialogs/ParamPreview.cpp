#include "shell/dialogs/ParamPreview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <vector>

namespace {

constexpr int kMostRows = 500;  // the preview shows at most this many samples

int Shown(int samples)
{
    return std::clamp(samples, 0, kMostRows);
}

} // namespace

QImage RenderParamPreview(QSize size, const std::int16_t* trace, int samples, int timeZero, bool noTrace)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    if (noTrace) {
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(18);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QRect(110, 20, std::max(1, size.width() - 110), 30), Qt::AlignLeft | Qt::AlignTop,
                   "No Trace");
        return image;
    }
    const int n = Shown(samples);
    if (n == 0)
        return image;
    const int w = size.width();
    const int h = size.height();
    QPolygon line;
    line.reserve(n);
    for (int i = 0; i < n; ++i) {
        const int y = static_cast<int>(static_cast<std::int64_t>(h) * i / n);
        const int x = static_cast<int>((trace[i] / 32768.0 + 1.0) * w / 2.0);
        line << QPoint(x, y);
    }
    p.setPen(Qt::black);
    p.drawPolyline(line);

    const int y = static_cast<int>(static_cast<std::int64_t>(timeZero) * h / n);
    p.setPen(QColor(255, 0, 0));
    p.drawLine(0, y, w - 1, y);
    p.setBrush(QColor(255, 0, 0));
    const QPoint triangle[3] = {{1, y - 5}, {1, y + 5}, {10, y}};
    p.drawPolygon(triangle, 3);
    return image;
}

int PreviewSampleAt(int y, int height, int samples)
{
    if (height <= 0)
        return 0;
    return std::clamp(y, 0, height) * Shown(samples) / height;
}

CParamPreview::CParamPreview(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setMinimumSize(240, 300);
}

void CParamPreview::SetPicture(QImage picture)
{
    m_picture = std::move(picture);
    update();
}

void CParamPreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_picture.isNull())
        p.fillRect(rect(), Qt::white);
    else
        p.drawImage(0, 0, m_picture);
    drawFrame(&p);
}

void CParamPreview::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    emit resized();
}

void CParamPreview::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QFrame::mousePressEvent(event);
    m_dragging = true;
    emit arrivalDragged(static_cast<int>(event->position().y()));
}

void CParamPreview::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        emit arrivalDragged(static_cast<int>(event->position().y()));
}

void CParamPreview::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QFrame::mouseReleaseEvent(event);
}
