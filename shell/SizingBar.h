// A resizable docking bar of the main window's sides ("Channel Navigator", "Trace info"):
// docks left or right, floats, is resized by its inner edge and the edge between bars of one
// side (never below 33 x 32, floating 37 x 32), and carries a flat caption with its title and
// a close box. The caption shows the active colours while the keyboard focus is inside the
// bar; a double-click on it floats or docks the bar; a press and drag moves it. The close
// box does not hide the bar itself: it asks its owner (closeRequested), which hides it
// through the bar's View command so that the saved visibility follows the screen.
#pragma once

#include <QDockWidget>

class CFlatCaption;

class CSizingBar : public QDockWidget {
    Q_OBJECT
public:
    static constexpr int kMinWidth = 33;
    static constexpr int kMinHeight = 32;
    static constexpr int kFloatingMinWidth = 37;
    static constexpr int kInitialSize = 200;

    CSizingBar(const QString& title, int id, QWidget* parent = nullptr);

    CFlatCaption& Caption() { return *m_caption; }
    // The keyboard focus is inside the bar.
    bool IsActive() const { return m_active; }

signals:
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnFocusChanged(QWidget* now);
    void OnTopLevelChanged(bool floating);

    CFlatCaption* m_caption = nullptr;
    bool m_active = false;
};

// The caption strip of a sizing bar: title and 11 x 11 close box.
class CFlatCaption : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBoxSize = 11;

    explicit CFlatCaption(CSizingBar& bar);
    QRect CloseBoxRect() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    CSizingBar& m_bar;
    bool m_pushed = false;
    bool m_hover = false;
};
