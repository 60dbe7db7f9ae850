// The notifications that worker threads (and the marker keys) send to the application
// object on the user-interface thread. They carry no data: the handler reads what it needs
// from the application's state. Posting is safe from any thread; events are delivered in
// the order they were posted, also while a modal dialog runs.
#pragma once

#include <QEvent>

#include <string>

namespace appevent {
inline constexpr int kUser = 1000;          // QEvent::User
inline constexpr int kApp = kUser + 0x8000;

// New traces are stored: redraw the active document's views (at most once per 101 ms).
inline constexpr QEvent::Type kTracesReady = QEvent::Type(kUser + 110);
// A new distance or time count: update the position bar.
inline constexpr QEvent::Type kStatusUpdate = QEvent::Type(kUser + 111);
// A new GPS fix: update the position bar; while measuring, write the GPS log records.
inline constexpr QEvent::Type kGpsUpdate = QEvent::Type(kUser + 108);
// The acquisition thread ended on an error: stop the measurement and report it.
inline constexpr QEvent::Type kAcquisitionEnded = QEvent::Type(kUser + 112);
// A worker thread met a failure the operator is to be told of (the text travels with it).
inline constexpr QEvent::Type kThreadMessage = QEvent::Type(kUser + 113);
// Marker key k + 1 (k = 0..8) was pressed, or the unit's marker input rose (marker 1).
inline constexpr int kMarkerKeyBase = kApp + 31;
inline constexpr int kMarkerKeys = 9;
inline QEvent::Type MarkerKey(int k) { return QEvent::Type(kMarkerKeyBase + k); }
} // namespace appevent

// Posts `type` to the application object; does nothing while there is none (before it is
// built and after it is gone). Safe from any thread.
void PostAppEvent(QEvent::Type type);
// Posts kThreadMessage with `text`, shown as a message on the user-interface thread.
void PostAppMessage(const std::string& text);

// The event that carries a worker thread's message.
class AppMessageEvent : public QEvent {
public:
    explicit AppMessageEvent(std::string text) : QEvent(appevent::kThreadMessage), m_text(std::move(text)) {}
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};
