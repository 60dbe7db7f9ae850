#include "shell/PositionBar.h"

#include "model/ChannelData.h"
#include "model/RadarData.h"
#include "shell/RavikApp.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSlider>

#include <cmath>
#include <functional>
#include <mutex>

namespace workload {

double Position(std::uint8_t trigger, std::int32_t timeCount, double timeInterval, std::int32_t distanceCount,
                std::int32_t multiplier, double headerInterval, double unitFactor)
{
    if (trigger > 127)
        return timeCount * timeInterval;
    // The count times the multiplier is a 32-bit product, as the unit's counter is.
    const auto counted = static_cast<std::int32_t>(static_cast<std::uint32_t>(distanceCount) * static_cast<std::uint32_t>(multiplier));
    return counted * headerInterval / unitFactor;
}

QString PositionText(double position, std::uint8_t trigger, const std::string& units)
{
    // '.' as the decimal point whatever the locale, as in the files.
    const QString number = QString::number(position, 'f', 2);
    if (trigger >= 128 && trigger <= 254)
        return number + " s";
    if (units == "F")
        return number + " ft";
    if (units == "I")
        return number + " in";
    return number + " m";
}

float Load(const std::array<std::int32_t, 8>& fill, const std::array<std::int32_t, 8>& step,
           const std::array<bool, 8>& inUse)
{
    float load = 0.0f;
    for (std::size_t s = 0; s < 8; ++s) {
        if (!inUse[s] || step[s] <= 0)
            continue;
        const auto ratio = static_cast<float>(static_cast<double>(fill[s]) / step[s]);
        if (ratio > load)
            load = ratio;
    }
    return load;
}

int LitSegments(float load)
{
    if (!(load > 0.0f))
        return 0;
    const double lit = load * 15.0;
    return lit >= kSegments ? kSegments : static_cast<int>(lit);
}

std::vector<QRect> SegmentRects(const QRect& gauge)
{
    std::vector<QRect> rects;
    const int w = gauge.width();
    int left = gauge.left();
    for (int i = 0; i < kSegments; ++i) {
        const int right = gauge.left() + (i + 1) * w / kSegments;
        rects.emplace_back(QPoint(left, gauge.top()), QPoint(right - 1, gauge.bottom()));
        left = right - 1;  // neighbours share one pixel column
    }
    return rects;
}

QColor SegmentColor(int index, int lit)
{
    if (index >= lit)
        return QColor(128, 128, 128);
    if (index <= 6)
        return QColor(0, 255, 0);
    if (index <= 11)
        return QColor(255, 255, 0);
    return QColor(255, 0, 0);
}

int BatteryLevel(std::int32_t raw)
{
    const std::int64_t product = (static_cast<std::int64_t>(raw) - 361) * 1000;
    const auto level = static_cast<std::int64_t>(std::floor(static_cast<double>(product) / 90.0 + 0.5));
    // Below 361 the bar is empty rather than of negative width.
    return static_cast<int>(std::clamp<std::int64_t>(level, 0, 1000));
}

QColor BatteryColor(float fraction)
{
    if (fraction >= 0.8f)
        return QColor(0, 255, 0);
    if (fraction >= 0.5f)
        return QColor(255, 255, 0);
    return QColor(255, 0, 0);
}

std::pair<QString, QString> GpsTexts(bool open, double latitude, double longitude)
{
    if (!open)
        return {"Off.", "Off."};
    if (latitude == 0.0)
        return {"No Fix", "No Fix"};
    return {QString::number(latitude, 'f', 7), QString::number(longitude, 'f', 7)};
}

} // namespace workload

// One of the bar's fields: its place and size, drawn by the bar.
class CWorkload::Field : public QWidget {
public:
    Field(const char* name, QSize size, std::function<void(QPainter&, const QRect&)> paint, QWidget* parent)
        : QWidget(parent), m_paint(std::move(paint))
    {
        setObjectName(name);
        setFixedSize(size);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        m_paint(p, rect().adjusted(1, 1, -1, -1));
    }

private:
    std::function<void(QPainter&, const QRect&)> m_paint;
};

CWorkload::CWorkload(CRavikApp& app, QWidget* parent) : QWidget(parent), m_app(app)
{
    setObjectName("c261");
    // The fields and labels keep their sizes and places whatever room the bar is given: a bar
    // narrower than its contents cuts them off at its right end rather than drawing fields
    // over their labels.
    m_contents = new QWidget(this);
    auto* row = new QHBoxLayout(m_contents);
    row->setSizeConstraint(QLayout::SetFixedSize);
    row->setContentsMargins(4, 1, 4, 1);
    row->setSpacing(4);
    const auto label = [&](const char* text) { row->addWidget(new QLabel(text, m_contents)); };
    const auto text = [this](int which) {
        return [this, which](QPainter& p, const QRect& r) {
            const auto gps = workload::GpsTexts(m_values.gpsOpen, m_values.latitude, m_values.longitude);
            const int height = m_latitude->height() - 4;  // the latitude field gives both GPS fields their font
            if (which == 0)
                PaintText(p, r, workload::PositionText(m_values.position, m_values.trigger, m_values.units), r.height() - 2);
            else
                PaintText(p, r, which == 1 ? gps.first : gps.second, height);
        };
    };

    label("Pos");
    row->addWidget(new Field("c1031", {100, 20}, text(0), m_contents));
    label("Workload");
    row->addWidget(new Field("c1029", {92, 18}, [this](QPainter& p, const QRect& r) { PaintGauge(p, r); }, m_contents));
    label("Batt.");
    row->addWidget(new Field("c1034", {50, 18}, [this](QPainter& p, const QRect& r) { PaintBattery(p, r); }, m_contents));
    label("Lat.");
    m_latitude = new Field("c1197", {120, 20}, text(1), m_contents);
    row->addWidget(m_latitude);
    label("Lon.");
    row->addWidget(new Field("c1198", {120, 20}, text(2), m_contents));

    m_slider = new QSlider(Qt::Horizontal, m_contents);
    m_slider->setObjectName("c13333");
    m_slider->setTickPosition(QSlider::NoTicks);
    m_slider->setRange(1, CAppSettings::kMaxGain);
    m_slider->setPageStep(2);
    m_slider->setFixedWidth(110);
    {
        QSignalBlocker quiet(m_slider);
        m_slider->setValue(m_app.m_settings.m_nPaletteGain);
    }
    row->addWidget(m_slider);
    connect(m_slider, &QSlider::valueChanged, this, &CWorkload::OnGain);
    connect(m_slider, &QSlider::sliderReleased, this, [this] { OnGain(m_slider->value()); });
    m_contents->adjustSize();
}

QSize CWorkload::sizeHint() const
{
    return m_contents->sizeHint();
}

QSize CWorkload::minimumSizeHint() const
{
    return {0, m_contents->sizeHint().height()};
}

void CWorkload::resizeEvent(QResizeEvent*)
{
    m_contents->move(0, std::max(0, (height() - m_contents->height()) / 2));
}

void CWorkload::OnGain(int gain)
{
    m_app.m_settings.m_nPaletteGain = gain;
    if (AppDocument* doc = m_app.ActiveDocument())
        doc->RefreshViews();
}

void CWorkload::Update()
{
    workload::Values v;
    const CMeasParamSet& params = m_app.m_params;
    v.trigger = params.m_nTrigType;
    v.units = params.m_strUnits;
    v.connected = m_app.m_status.IsConnected();

    const int slot = std::clamp<int>(params.m_nCurSlot, 0, CMeasParamSet::kSlots - 1);
    const int index = slot * 2 + std::clamp<int>(params.m_nCurChannel, 0, 1);
    double headerInterval = params.m_params[slot * 2].m_dDistanceInterval;
    if (AppDataSet* data = m_app.DataSet(); data && data->Radar())
        headerInterval = data->Radar()->GetChannel(slot * 2).m_Header.m_dInterval;
    std::int32_t timeCount, distanceCount;
    {
        std::lock_guard position(m_app.m_locks.Position);
        timeCount = m_app.m_status.m_nTimeCount;
        distanceCount = m_app.m_status.m_nDistanceCount;
    }
    v.position = workload::Position(v.trigger, timeCount, params.m_params[index].m_dTimeInterval, distanceCount,
                                    m_app.m_status.m_nDistanceMultiplier, headerInterval, params.GetUnitFactor());

    std::array<bool, 8> inUse{};
    for (std::size_t s = 0; s < 8; ++s)
        inUse[s] = params.m_params[s * 2].m_bActive || params.m_params[s * 2 + 1].m_bActive;
    {
        std::lock_guard values(m_app.m_locks.UnitValue);
        v.load = workload::Load(m_app.m_status.m_nSlotFill, m_app.m_status.m_nSlotStep, inUse);
        v.battery = m_app.m_status.m_nBattery;
    }

    if (GpsControl* gps = m_app.Gps()) {
        v.gpsOpen = gps->IsOpen();
        const CGPSFix fix = gps->CopyFix();
        v.latitude = fix.SignedLatitude();
        v.longitude = fix.SignedLongitude();
    }
    m_values = v;
    repaint();
}

void CWorkload::PaintText(QPainter& p, const QRect& rect, const QString& text, int fontHeight) const
{
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setBold(true);
    font.setPixelSize(std::max(fontHeight, 1));
    p.fillRect(rect, Qt::black);
    p.setFont(font);
    p.setPen(Qt::white);
    p.setClipRect(rect);
    p.drawText(rect.adjusted(0, 1, -2, 0), Qt::AlignRight | Qt::AlignTop, text);
    p.setClipping(false);
}

void CWorkload::PaintGauge(QPainter& p, const QRect& rect) const
{
    const int lit = workload::LitSegments(m_values.load);
    const std::vector<QRect> segments = workload::SegmentRects(rect);
    p.setPen(Qt::black);
    for (int i = 0; i < workload::kSegments; ++i) {
        const QRect& s = segments[static_cast<std::size_t>(i)];
        p.fillRect(s, workload::SegmentColor(i, lit));
        p.drawRect(s.adjusted(0, 0, -1, -1));
    }
}

void CWorkload::PaintBattery(QPainter& p, const QRect& rect) const
{
    p.fillRect(rect, Qt::black);
    if (!m_values.connected)
        return;
    const float fraction = static_cast<float>(workload::BatteryLevel(m_values.battery)) / 1000.0f;
    const int width = static_cast<int>(static_cast<float>(rect.width()) * fraction);
    if (width > 0) {
        // The charge has the black outline the gauge's segments have.
        p.setPen(Qt::black);
        p.setBrush(workload::BatteryColor(fraction));
        p.drawRect(QRect(rect.left(), rect.top(), width, rect.height()).adjusted(0, 0, -1, -1));
    }
}
