#include "display/ColorPalette.h"

#include "display/BgrColour.h"
#include "display/RadarPalette.h"

#include <QMouseEvent>
#include <QPainter>

CColorPalette::CColorPalette(QWidget* parent) : QWidget(parent)
{
    // The grey ramp is the same in either byte order.
    cellColours = CRadarPalette::GreyRamp();
}

bool CColorPalette::Create(const QRect& rect, int id)
{
    if (cellCount == 0)
        return false;
    cellHeight = rect.height() / cellCount;
    setObjectName(QString("c%1").arg(id));
    setGeometry(rect);
    show();
    return true;
}

std::uint32_t CColorPalette::GetSelectedColor() const
{
    if (selected < 0 || selected >= kCells)
        return 0;
    return cellColours[static_cast<std::size_t>(selected)];
}

void CColorPalette::SetSelectedColor(std::uint32_t colour)
{
    if (selected >= 0 && selected < kCells)
        cellColours[static_cast<std::size_t>(selected)] = colour;
    repaint();
}

void CColorPalette::ToggleMark()
{
    if (selected >= 0 && selected < kCells) {
        auto& mark = marks[static_cast<std::size_t>(selected)];
        mark = mark ? 0 : 1;
    }
    repaint();
}

int CColorPalette::FindFirstMark() const
{
    for (int i = 0; i < kCells; ++i)
        if (marks[static_cast<std::size_t>(i)])
            return i;
    return kCells;
}

void CColorPalette::Interpolate()
{
    pal::Interpolate(cellColours, marks);
}

bool CColorPalette::LoadFile(const std::string& path)
{
    return pal::Load(path, cellColours);
}

bool CColorPalette::SaveFile(const std::string& path) const
{
    return pal::Save(path, cellColours);
}

int CColorPalette::EntryAt(int y) const
{
    // A column lower than 64 pixels has cells of no height: nothing can be picked.
    return cellHeight > 0 ? y / cellHeight - 1 : -1;
}

void CColorPalette::paintEvent(QPaintEvent*)
{
    QPainter dc(this);
    const QPen white(QColor(255, 255, 255), 1);
    const QPen darkGrey(QColor(0x40, 0x40, 0x40), 1);
    const QPen red(QColor(255, 0, 0), 1);
    QFont font("Arial");
    font.setPixelSize(14);
    dc.setFont(font);
    dc.setPen(Qt::black);

    const int cellsRight = width() / 2;
    for (int i = 0; i < kCells; ++i) {
        const auto index = static_cast<std::size_t>(i);
        dc.setPen(marks[index] ? red : (i == selected ? white : darkGrey));
        dc.setBrush(ColorFromBgr(cellColours[index]));
        // Outline and fill cover the cell's own pixels, the right and bottom edge excluded.
        dc.drawRect(0, (i + 1) * cellHeight, cellsRight - 1, cellHeight - 1);
    }
    dc.setPen(Qt::black);
    for (int i = 0; i <= kCells; i += 4)
        dc.drawText(QRect(cellsRight + 6, i * cellHeight, width(), 2 * 14), Qt::AlignLeft | Qt::AlignTop,
                    QString::fromStdString(pal::Label(i, labelBase)));
}

void CColorPalette::mousePressEvent(QMouseEvent* event)
{
    const int y = event->position().toPoint().y();
    if (event->button() == Qt::LeftButton) {
        selected = EntryAt(y);
        repaint();
    } else if (event->button() == Qt::RightButton) {
        selected = EntryAt(y);
        ToggleMark();
    }
    QWidget::mousePressEvent(event);
}

void CColorPalette::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && event->position().toPoint().y() <= 65 * cellHeight)
        emit colourRequested();
    // Not passed on: a double click is no further press.
    event->accept();
}
