// A read-out of the wheel calibration: a sunken frame in which the value is drawn white on
// black, bold, right-aligned, as large as the frame allows.
#pragma once

#include <QFrame>
#include <QString>

class CReadoutWidget : public QFrame {
    Q_OBJECT
public:
    explicit CReadoutWidget(QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};
