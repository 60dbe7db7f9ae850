#include "shell/SizingBar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

CSizingBar::CSizingBar(const QString& title, int id, QWidget* parent) : QDockWidget(title, parent)
{
    setObjectName(QStringLiteral("bar%1").arg(id));
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    m_caption = new CFlatCaption(*this);
    setTitleBarWidget(m_caption);
    setMinimumSize(kMinWidth, kMinHeight);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
    connect(this, &QDockWidget::topLevelChanged, this, &CSizingBar::OnTopLevelChanged);
    connect(this, &QWidget::windowTitleChanged, m_caption, qOverload<>(&QWidget::update));
}

void CSizingBar::closeEvent(QCloseEvent* event)
{
    // Once the main window has closed the program is ending and closes the windows that are
    // left: a floating bar then goes without changing what the next start shows.
    if (const QWidget* owner = parentWidget(); owner && !owner->window()->isVisible()) {
        event->accept();
        return;
    }
    event->ignore();
    emit closeRequested();
}

void CSizingBar::OnFocusChanged(QWidget* now)
{
    const bool active = now && isAncestorOf(now);
    if (active != m_active) {
        m_active = active;
        m_caption->update();
    }
}

void CSizingBar::OnTopLevelChanged(bool floating)
{
    setMinimumSize(floating ? kFloatingMinWidth : kMinWidth, kMinHeight);
}

// ---- caption ------------------------------------------------------------------------------

CFlatCaption::CFlatCaption(CSizingBar& bar) : QWidget(&bar), m_bar(bar)
{
    setObjectName("caption");
    setMouseTracking(true);
    QFont font("Tahoma");
    font.setPointSizeF(8.5);
    setFont(font);
}

QSize CFlatCaption::sizeHint() const
{
    return {kBoxSize + 8, std::max(kBoxSize + 2, fontMetrics().height() + 2)};
}

QRect CFlatCaption::CloseBoxRect() const
{
    return {width() - kBoxSize - 2, (height() - kBoxSize) / 2, kBoxSize, kBoxSize};
}

void CFlatCaption::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette::ColorGroup group = m_bar.IsActive() ? QPalette::Active : QPalette::Inactive;
    const QColor from = m_bar.IsActive() ? palette().color(group, QPalette::Highlight) : palette().color(QPalette::Mid);
    const QColor text = m_bar.IsActive() ? palette().color(group, QPalette::HighlightedText)
                                         : palette().color(QPalette::WindowText);
    const QRect strip = rect().adjusted(0, 0, -(kBoxSize + 4), 0);
    QLinearGradient gradient(strip.topLeft(), strip.topRight());
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, from.lighter(140));
    p.fillRect(strip, gradient);
    p.setPen(text);
    p.setFont(font());
    p.drawText(strip.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, m_bar.windowTitle());

    const QRect box = CloseBoxRect();
    if (m_pushed || m_hover) {
        p.setPen(m_pushed ? palette().color(QPalette::Dark) : palette().color(QPalette::Light));
        p.drawLine(box.topLeft(), box.topRight());
        p.drawLine(box.topLeft(), box.bottomLeft());
        p.setPen(m_pushed ? palette().color(QPalette::Light) : palette().color(QPalette::Dark));
        p.drawLine(box.bottomLeft(), box.bottomRight());
        p.drawLine(box.topRight(), box.bottomRight());
    }
    p.setPen(QPen(palette().color(QPalette::ButtonText), 1.5));
    const QRect glyph = box.adjusted(3, 3, -3, -3);
    p.drawLine(glyph.topLeft(), glyph.bottomRight());
    p.drawLine(glyph.topRight(), glyph.bottomLeft());
}

void CFlatCaption::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && CloseBoxRect().contains(event->position().toPoint())) {
        m_pushed = true;
        update();
        return;
    }
    // Presses elsewhere move the bar: the dock widget takes them.
    event->ignore();
}

void CFlatCaption::mouseMoveEvent(QMouseEvent* event)
{
    const bool hover = CloseBoxRect().contains(event->position().toPoint());
    if (hover != m_hover) {
        m_hover = hover;
        update();
    }
    if (!m_pushed)
        event->ignore();
}

void CFlatCaption::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_pushed) {
        event->ignore();
        return;
    }
    m_pushed = false;
    update();
    if (event->button() == Qt::LeftButton && CloseBoxRect().contains(event->position().toPoint()))
        m_bar.close();
}

void CFlatCaption::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (CloseBoxRect().contains(event->position().toPoint()))
        return;
    m_bar.setFloating(!m_bar.isFloating());
}

void CFlatCaption::leaveEvent(QEvent*)
{
    m_hover = false;
    update();
}
