// The window "50/60 Hz sensor data": two curves from the current slot's 50/60 Hz sensor
// records, one point per trace, over the traces the active radargram view shows (red from
// values 1 and 3, green from values 2 and 4) and a black middle line. Its place and size are
// kept in the profile between runs.
#pragma once

#include <QRect>
#include <QWidget>

#include <memory>

class CEM_Data;
class Profile;

// What the window reads of the program.
class EmSource {
public:
    virtual ~EmSource() = default;
    // The active radargram view's first trace and the current channel's trace count; false
    // when the main window has no active view.
    virtual bool VisibleTraces(int& first, int& count) = 0;
    // The current slot's sensor records (read under their lock), or null.
    virtual const CEM_Data* SensorData() = 0;
};

class CEM_Wnd : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kSection = "settings";
    static constexpr QRect DefaultRect() { return QRect(100, 100, 200, 400); }

    // Reads the remembered rectangle, placed on `screen` (empty: the primary screen's
    // available area) with `iconSize` (negative: the style's large icon size) as the margin
    // the placement keeps. The window takes that rectangle when it is first shown.
    CEM_Wnd(std::unique_ptr<EmSource> source, Profile& profile, QWidget* owner = nullptr,
            QRect screen = {}, int iconSize = -1);
    // Writes the window's rectangle back to the profile.
    ~CEM_Wnd() override;

    // The rectangle the window was given from the profile.
    QRect SavedRect() const { return m_saved; }

    // The stored rectangle (left, top, right, bottom) brought onto `screen`: a left edge past
    // the screen's width moves the window left until its right edge is one icon inside, a
    // top edge past its height moves it up likewise. A rectangle that then still lies off the
    // screen, or is narrower or lower than 50 pixels, gives DefaultRect().
    static QRect Place(int left, int top, int right, int bottom, const QRect& screen, int iconWidth, int iconHeight);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<EmSource> m_source;
    Profile& m_profile;
    QRect m_saved;
    bool m_placed = false;
};
