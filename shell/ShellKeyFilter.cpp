#include "shell/ShellKeyFilter.h"

#include "shell/AppEvents.h"
#include "shell/FrameCommands.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QWidget>

namespace {

// Keycodes of the main keyboard's 1..9 on X11 (evdev): they stay the same whatever Shift
// makes of the key's symbol and whatever the keyboard layout.
constexpr quint32 kX11KeyCode1 = 10;
constexpr quint32 kX11KeyCode9 = 18;

} // namespace

ShellKeyFilter::ShellKeyFilter(QWidget& frame, std::function<void(int)> dispatch)
    : m_frame(frame), m_dispatch(std::move(dispatch))
{
    qApp->installEventFilter(this);
}

ShellKeyFilter::~ShellKeyFilter()
{
    qApp->removeEventFilter(this);
}

int ShellKeyFilter::MarkerKeyOf(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers mods = key.modifiers();
    if (key.isAutoRepeat() || (mods & (Qt::KeypadModifier | Qt::ControlModifier | Qt::AltModifier)))
        return -1;
    if (key.key() >= Qt::Key_1 && key.key() <= Qt::Key_9)
        return key.key() - Qt::Key_1;
    // Shift turns the digit into a symbol: the key itself tells which digit it is.
    const quint32 code = key.nativeScanCode();
    if ((mods & Qt::ShiftModifier) && code >= kX11KeyCode1 && code <= kX11KeyCode9)
        return static_cast<int>(code - kX11KeyCode1);
    return -1;
}

bool ShellKeyFilter::Concerns(QObject* watched) const
{
    if (!watched->isWidgetType() || QApplication::activeModalWidget())
        return false;
    // A menu bar that has the keys (Alt pressed alone) takes letters as its menus' mnemonics.
    if (qobject_cast<QMenuBar*>(watched))
        return false;
    QWidget* top = static_cast<QWidget*>(watched)->window();
    if (top == &m_frame)
        return true;
    // Menus, tooltips and other pop-ups keep their keys.
    const Qt::WindowType type = top->windowType();
    if (type != Qt::Window && type != Qt::Tool)
        return false;
    QWidget* owner = top->parentWidget();
    return owner && owner->window() == &m_frame;
}

bool ShellKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    if (!Concerns(watched))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyPress) {
        const int id = FindAccelerator(key->key(), key->modifiers());
        if (id == 0)
            return false;
        m_dispatch(id);
        return true;
    }
    auto* receiver = static_cast<QWidget*>(watched);
    const bool passedUp = event == m_lastRelease && m_lastReceiver && receiver != m_lastReceiver
                          && receiver->isAncestorOf(m_lastReceiver);
    m_lastRelease = event;
    m_lastReceiver = receiver;
    const int marker = MarkerKeyOf(*key);
    if (!passedUp && marker >= 0)
        PostAppEvent(appevent::MarkerKey(marker));
    return false;
}
