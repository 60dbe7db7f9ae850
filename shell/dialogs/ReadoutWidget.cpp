#include "shell/dialogs/ReadoutWidget.h"

#include <QPainter>

CReadoutWidget::CReadoutWidget(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setMinimumSize(120, 28);
}

void CReadoutWidget::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    update();
}

void CReadoutWidget::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    const QRect box = rect().adjusted(1, 1, -1, -1);
    QPainter painter(this);
    painter.fillRect(box, Qt::black);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(std::max(1, box.height() - 2));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.setClipRect(box);
    const QRect textBox(box.left(), box.top() + 1, box.width() - 2, box.height() - 2);
    painter.drawText(textBox, Qt::AlignRight | Qt::AlignTop, m_text);
}
