#include "display/TraceInfoBar.h"

#include "display/TextFit.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace {

constexpr std::int16_t kInitialMaxAmplitude = 32000;
// The highest full scale the edit takes, its widest number.
constexpr int kWidestMaxAmplitude = 65535;
// The height of the label's and the edit's row, and the least of it.
constexpr int kRowHeight = 20;

} // namespace

TraceStatistics ComputeTraceStatistics(const std::int16_t* samples, int count, int cursor1, int cursor2,
                                       const TraceInfoContext& context)
{
    TraceStatistics s;
    if (!samples || count <= 0)
        return s;
    // Cursors outside the trace or out of order would read past it or count backwards.
    int c1 = std::clamp(cursor1, 0, count - 1);
    int c2 = std::clamp(cursor2, 0, count - 1);
    if (c2 < c1)
        std::swap(c1, c2);
    s.cursor1 = c1;
    s.cursor2 = c2;

    const float f = context.frequency;
    if (std::isfinite(f) && f > 0.0f) {
        s.t1 = static_cast<float>(c1 * 1000.0 / f);
        s.t2 = static_cast<float>(c2 * 1000.0 / f);
        if (!std::isfinite(s.t1) || !std::isfinite(s.t2))
            s.t1 = s.t2 = 0.0f;
    }
    s.deltaT = s.t2 - s.t1;
    s.inverseDeltaT = s.deltaT > 1e-6f ? static_cast<float>(1000.0 / s.deltaT) : 0.0f;

    int max = -32768, min = 32767;
    float sum = 0.0f;
    // Counts of each magnitude 0..32768, kept so that a recomputation allocates nothing.
    thread_local std::array<std::uint16_t, 32769> histogram;
    histogram.fill(0);
    for (int i = c1; i <= c2; ++i) {
        const int v = samples[i];
        max = std::max(max, v);
        min = std::min(min, v);
        sum += static_cast<float>(v);
        ++histogram[static_cast<std::size_t>(std::abs(v))];
    }
    const int n = c2 - c1 + 1;
    s.vppMax = max - min;
    s.dcLevel = sum / static_cast<float>(n);
    s.v1 = samples[c1];
    s.v2 = samples[c2];
    const int target = static_cast<int>(std::floor(n * 0.95 + 0.5));
    int a = 0;
    for (int seen = histogram[0]; seen < target && a < 32768;)
        seen += histogram[static_cast<std::size_t>(++a)];
    s.avWc95 = a;
    s.rawDistance = (static_cast<double>(s.deltaT) * context.velocity / 2000.0) / context.unitFactor;
    if (!std::isfinite(s.rawDistance))
        s.rawDistance = 0.0;
    return s;
}

QStringList TraceInfoLabels()
{
    return {"t1", "t2", "delta-t", "1/delta-t", "VppMax", "V1", "V2", "DC level", "AvWc 95%", "Raw distance",
            "Sample#1", "Sample#2"};
}

QStringList TraceInfoValues(const TraceStatistics& s)
{
    // QString::asprintf formats without the user's locale: '.' stays the decimal point.
    const auto f = [](const char* format, double v) { return QString::asprintf(format, v); };
    const auto d = [](int v) { return QString::asprintf("%d", v); };
    return {f("%.2f ns", s.t1),
            f("%.2f ns", s.t2),
            f("%.2f ns", s.deltaT),
            s.inverseDeltaT == 0.0f ? QString("NaN") : f("%.1f MHz", s.inverseDeltaT),
            d(s.vppMax),
            d(s.v1),
            d(s.v2),
            f("%.1f", s.dcLevel),
            d(s.avWc95),
            f("%.2f", s.rawDistance),
            d(s.cursor1),
            d(s.cursor2)};
}

int ParseMaxAmplitude(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    const char* p = bytes.constData();
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    // The full scale has no sign: "-500" asks for 500.
    if (*p == '+' || *p == '-')
        ++p;
    int value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        value = std::min(value * 10 + (*p - '0'), 65535);
    return value;
}

CTraceInfoBar::CTraceInfoBar(std::function<TraceInfoContext()> context, QWidget* parent)
    : QWidget(parent), m_context(std::move(context))
{
    QFont font("Arial");
    font.setPixelSize(16);

    m_label = new QLabel("Max amplitude:", this);
    m_label->setObjectName("c152");
    m_label->setFont(font);

    m_edit = new QLineEdit(QString::number(kInitialMaxAmplitude), this);
    m_edit->setObjectName("c151");
    m_edit->setFont(font);
    connect(m_edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { Q_EMIT maxAmplitudeChanged(ParseMaxAmplitude(text)); });

    m_list = new QTableWidget(kRows, 3, this);
    m_list->setObjectName("c150");
    m_list->setHorizontalHeaderLabels({"Parameter", "Value", "Unit"});
    for (int c = 0; c < 3; ++c)
        m_list->horizontalHeaderItem(c)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->setShowGrid(true);
    m_list->horizontalHeader()->setSectionsMovable(true);
    m_list->verticalHeader()->hide();
    m_list->setGeometry(0, 100, 200, 700);
    const QStringList labels = TraceInfoLabels();
    for (int r = 0; r < kRows; ++r) {
        // Only the labels can be edited; values are the bar's own.
        m_list->setItem(r, 0, new QTableWidgetItem(labels[r]));
        for (int c = 1; c < 3; ++c) {
            auto* item = new QTableWidgetItem;
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            m_list->setItem(r, c, item);
        }
    }
    FillList();
}

void CTraceInfoBar::OnSetTraceInfo(const CSTrace* trace, quint16 cursor1, quint16 cursor2)
{
    if (trace)
        m_trace = *trace;
    m_cursor1 = cursor1;
    m_cursor2 = cursor2;
    const TraceInfoContext context = m_context ? m_context() : TraceInfoContext{};
    m_stats = ComputeTraceStatistics(m_trace.Data(), m_trace.GetCount(), m_cursor1, m_cursor2, context);
    FillList();
}

void CTraceInfoBar::Clear()
{
    m_trace.Zero();
    m_cursor1 = m_cursor2 = 0;
    m_stats = TraceStatistics{};
    FillList();
}

void CTraceInfoBar::FillList()
{
    // The rows stay; only their value texts change.
    const QStringList values = TraceInfoValues(m_stats);
    for (int r = 0; r < kRows; ++r)
        m_list->item(r, 1)->setText(values[r]);
    m_list->resizeColumnToContents(0);
    m_list->resizeColumnToContents(1);
}

void CTraceInfoBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QRect r = rect();
    // The label takes the left half and the edit the rest, both in a row of 20 px; the bar's
    // font is larger than those sizes were made for, so the row is as high as the edit needs,
    // and the label keeps its whole text, giving the edit room for its widest number first.
    const int row = std::max({kRowHeight, m_label->sizeHint().height(), m_edit->sizeHint().height()});
    const int labelNeeds = LabelWidthFor(*m_label, m_label->text());
    const int editNeeds = EditWidthFor(*m_edit, QString::number(kWidestMaxAmplitude));
    int labelWidth = std::max(r.width() / 2, labelNeeds);
    if (r.width() - labelWidth < editNeeds)
        labelWidth = std::max(labelNeeds, r.width() - editNeeds);
    m_list->setGeometry(r.left(), r.top() + row, r.width(), r.height() - row);
    m_label->setGeometry(r.left(), r.top(), labelWidth, row);
    m_edit->setGeometry(r.left() + labelWidth, r.top(), std::max(0, r.width() - labelWidth), row);
}
