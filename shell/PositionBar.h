// The position bar in the toolbar row of the main window: the position reached (distance or
// time), the control unit's buffer load as a 15-segment gauge, its battery, the GPS latitude
// and longitude, and a slider for the radargrams' colour gain. Update recomputes it from
// the application's state and redraws it at once. The rules are free functions below so
// that each can be checked alone.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CRavikApp;
class QSlider;

namespace workload {
inline constexpr int kSegments = 15;

// What the bar shows, as Update gathers it.
struct Values {
    double position = 0.0;
    float load = 0.0f;  // largest fill ratio of the slots in use
    double latitude = 0.0;
    double longitude = 0.0;
    std::int32_t battery = 0;
    bool connected = false;
    bool gpsOpen = false;
    std::uint8_t trigger = 0;
    std::string units;
};

// Time and keyboard modes: time count x TIME INTERVAL. Wheel mode: (distance count x
// multiplier) x the header's interval / the unit's factor.
double Position(std::uint8_t trigger, std::int32_t timeCount, double timeInterval, std::int32_t distanceCount,
                std::int32_t multiplier, double headerInterval, double unitFactor);
// "%.2f ft" / "%.2f in" / "%.2f m" by MEASUREMENT UNITS; "%.2f s" for time triggering.
QString PositionText(double position, std::uint8_t trigger, const std::string& units);
// Largest fill / step of the slots in use; a slot with step <= 0 counts as empty.
float Load(const std::array<std::int32_t, 8>& fill, const std::array<std::int32_t, 8>& step,
           const std::array<bool, 8>& inUse);
int LitSegments(float load);
std::vector<QRect> SegmentRects(const QRect& gauge);
QColor SegmentColor(int index, int lit);
// Battery level 0..1000 from the unit's raw value (361 empty, 451 and above full).
int BatteryLevel(std::int32_t raw);
QColor BatteryColor(float fraction);
// Latitude and longitude texts: "Off." with the receiver closed, "No Fix" without a position.
std::pair<QString, QString> GpsTexts(bool open, double latitude, double longitude);
} // namespace workload

class CWorkload : public QWidget {
    Q_OBJECT
public:
    explicit CWorkload(CRavikApp& app, QWidget* parent = nullptr);
    virtual void Update();

    const workload::Values& Shown() const { return m_values; }
    QSlider& GainSlider() { return *m_slider; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Field;
    void PaintText(QPainter& p, const QRect& rect, const QString& text, int fontHeight) const;
    void PaintGauge(QPainter& p, const QRect& rect) const;
    void PaintBattery(QPainter& p, const QRect& rect) const;
    void OnGain(int gain);

    CRavikApp& m_app;
    workload::Values m_values;
    QWidget* m_contents = nullptr;  // labels, fields and slider at their own sizes
    QSlider* m_slider = nullptr;
    QWidget* m_latitude = nullptr;
};
