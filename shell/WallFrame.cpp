#include "shell/WallFrame.h"

#include "shell/Pictures.h"

#include <QPaintEvent>
#include <QPainter>

namespace {
const QColor kGround(128, 128, 128);
}

CWallFrame::CWallFrame(QWidget* parent) : QMdiArea(parent), m_picture(pictures::Wallpaper())
{
    setObjectName("wall");
    setBackground(kGround);
}

QPoint CWallFrame::PicturePlace(QSize area, QSize picture)
{
    return {(area.width() - picture.width()) / 2, (area.height() - picture.height()) / 2};
}

void CWallFrame::paintEvent(QPaintEvent* event)
{
    QPainter p(viewport());
    p.fillRect(event->rect(), kGround);
    p.drawPixmap(PicturePlace(viewport()->size(), m_picture.size()), m_picture);
}

void CWallFrame::resizeEvent(QResizeEvent* event)
{
    QMdiArea::resizeEvent(event);
    viewport()->update();
}
