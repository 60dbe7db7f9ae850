#include "display/RavikView.h"

#include "display/RadargramPrint.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QScreen>
#include <QPrinter>
#include <QScrollBar>

#include <algorithm>
#include <cstring>

using namespace radargram;

namespace {

constexpr int kSamples = RadargramSource::kTraceSamples;

QColor FromColorRef(std::uint32_t c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

std::size_t Column(int i)
{
    return static_cast<std::size_t>(i) * kSamples;
}

} // namespace

CRavikView::CRavikView(RadargramSource& source, QWidget* parent) : QWidget(parent), m_src(source)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setObjectName("radargram");
    m_hBar = new QScrollBar(Qt::Horizontal, this);
    m_hBar->setObjectName("c10");
    m_vBar = new QScrollBar(Qt::Vertical, this);
    m_vBar->setObjectName("c11");
    connect(m_hBar, &QScrollBar::actionTriggered, this, &CRavikView::OnHorizontalAction);
    connect(m_vBar, &QScrollBar::actionTriggered, this, &CRavikView::OnVerticalAction);
    m_selTrace.Zero();
}

CRavikView::~CRavikView() = default;

void CRavikView::setMaxAmplitude(int amplitude)
{
    m_maxAmplitude = static_cast<std::uint16_t>(amplitude & 0xFFFF);
    refresh();
}

// ---- refresh ----------------------------------------------------------------------------

void CRavikView::refresh()
{
    const int cx = width();
    const int cy = height();
    m_margin = m_src.Margin();
    m_measuring = m_src.IsMeasuring();
    m_traceWindow = m_src.TraceWindow();
    const RadargramChannel channel = m_src.Channel();
    const int samples = std::clamp(channel.samples, 0, kSamples);
    const int headerSamples = std::clamp(channel.headerSamples, 0, kSamples);
    const int count = m_src.TraceCount();
    const int w = ImageWidth(cx, m_margin);
    const int h = ImageHeight(cy);

    m_firstTrace = FirstTraceOnSize(m_firstTrace, count, cx, m_margin);
    if (m_measuring)
        m_firstTrace = FirstTraceMeasuring(count, w);
    if (samples < cy)
        m_firstSample = 0;
    m_firstSample = ClampFirstSample(m_firstSample, samples, h);
    if (m_selColumn > w)
        m_selColumn = 0;

    PlaceScrollBars(cx, cy);
    UpdateScrollBars(count, samples, w, h);
    PrepareBuffers(w, h);
    FillImage(count, samples, headerSamples, w, h);

    m_newestColumn = -1;
    if (m_measuring) {
        const std::int64_t x = NewestTraceColumn(channel.trigType, count, m_firstTrace, m_src.NewestDistance());
        if (x >= 0 && x <= cx - 110) {
            m_selColumn = static_cast<int>(x);
            m_newestColumn = static_cast<int>(x);
        }
    }
    ClampCursors(headerSamples);
    PrepareTracePlot(cx, cy, m_margin, headerSamples, w);

    m_markers = m_src.Markers();
    for (int k = 0; k + 1 < kMarkerBrushes; ++k)
        m_markerBrushes[static_cast<std::size_t>(k)] = FromColorRef(m_src.MarkerColour(k + 1));
    m_markerBrushes[kMarkerBrushes - 1] = Qt::black;

    SetUpAxes(channel, cx, cy);
    PublishStatus(channel, count);
    Q_EMIT traceInfoChanged(&m_selTrace, m_cursor1, m_cursor2);
    update();
}

void CRavikView::PlaceScrollBars(int cx, int cy)
{
    m_hBar->setGeometry(0, cy - kBarThickness, std::max(cx - kBarThickness, 0), kBarThickness);
    m_vBar->setGeometry(cx - kBarThickness, 0, kBarThickness, std::max(cy - kBarThickness, 0));
}

void CRavikView::UpdateScrollBars(int count, int samples, int w, int h)
{
    if (count == 0)
        return;
    const QSignalBlocker hBlock(m_hBar);
    const QSignalBlocker vBlock(m_vBar);
    m_hBar->setRange(0, std::max(0, count - w));
    m_hBar->setPageStep(std::max(w, 1));
    m_hBar->setValue(m_firstTrace);
    m_vBar->setRange(0, std::max(0, samples - h));
    m_vBar->setPageStep(std::max(h, 1));
    m_vBar->setValue(m_firstSample);
}

void CRavikView::PrepareBuffers(int w, int h)
{
    if (w < 1 || h < 1) {
        m_image = QImage();
        m_drawn.valid = false;
        return;
    }
    if (m_image.width() != w || m_image.height() != h) {
        m_image = QImage(w, h, QImage::Format_RGB32);
        m_raw.assign(Column(w), 0);
        m_filtered.assign(Column(w), 0);
        m_drawn.valid = false;
    }
}

bool CRavikView::UpdatePixelTable()
{
    const CRadarPalette& palette = m_src.Palette();
    const std::int32_t gain = m_src.Gain();
    if (m_pixelMap && gain == m_tableGain && palette.m_Colours == m_tableColours)
        return false;
    if (!m_pixelMap)
        m_pixelMap = std::make_unique<SamplePixelMap>();
    BuildSamplePixelMap(palette.m_Colours, gain, *m_pixelMap);
    m_tableColours = palette.m_Colours;
    m_tableGain = gain;
    return true;
}

void CRavikView::FillImage(int count, int samples, int headerSamples, int w, int h)
{
    m_imageRows = 0;
    if (count == 0 || samples == 0 || w <= 0 || h <= 0) {
        m_drawn.valid = false;
        return;
    }
    // New colours redraw every column, but the traces already copied stay good.
    const bool recolour = UpdatePixelTable();
    const int rows = std::min({h, headerSamples, kSamples - m_firstSample});
    if (rows <= 0) {
        m_drawn.valid = false;
        return;
    }

    // Without filters, a window that only moved on keeps the columns it already shows.
    const Drawn& d = m_drawn;
    const int shift = m_firstTrace - d.firstTrace;
    const bool filtersOn = m_src.FiltersOn();
    const std::uint64_t key = m_src.TraceSetKey();
    // Filters take whole traces; otherwise the rows shown and the side plot's trace will do.
    const int needed = filtersOn ? kSamples
                                 : std::min(kSamples, std::max(m_firstSample + rows, m_traceWindow ? headerSamples : 0));
    const bool keep = !filtersOn && d.valid && d.key == key && d.samples >= needed && !d.filtered && d.w == w && d.rows == rows && d.firstSample == m_firstSample &&
                      shift >= 0 && shift < w;
    int from = 0;
    if (keep) {
        if (shift > 0) {
            std::memmove(m_raw.data(), m_raw.data() + Column(shift), sizeof(std::int16_t) * Column(w - shift));
            for (int r = 0; r < rows && !recolour; ++r) {
                auto* line = reinterpret_cast<std::uint32_t*>(m_image.scanLine(r));
                std::memmove(line, line + shift, sizeof(std::uint32_t) * static_cast<std::size_t>(w - shift));
            }
        }
        from = std::clamp(std::min(d.count - m_firstTrace, w - shift), 0, w);
    }
    const int copied = m_src.CopyTraces(m_firstTrace + from, w - from, m_raw.data() + Column(from), kSamples,
                                        keep ? d.samples : needed);

    const int valid = std::clamp(copied - m_firstTrace, 0, w);
    bool filtered = false;
    if (valid > 0 && filtersOn)
        filtered = m_src.ApplyFilters(m_raw.data(), m_filtered.data(), kSamples, valid);
    if (filtered) {
        // Columns past the newest trace show zero samples, as without filters.
        std::fill(m_filtered.begin() + static_cast<std::ptrdiff_t>(Column(valid)), m_filtered.end(), 0);
        from = 0;
    }
    if (recolour)
        from = 0;
    const std::int16_t* shown = filtered ? m_filtered.data() : m_raw.data();
    if (from < w)
        MapTracesToPixels(shown + Column(from), kSamples, w - from, rows, m_firstSample, *m_pixelMap,
                          reinterpret_cast<std::uint32_t*>(m_image.bits()) + from,
                          static_cast<int>(m_image.bytesPerLine() / 4));
    m_imageRows = rows;
    m_drawn = {true, m_firstTrace, m_firstSample, w, rows, copied, filtered, key, keep ? d.samples : needed};
}

void CRavikView::ClampCursors(int headerSamples)
{
    // Without samples (a new data set before its measurement starts) there is nothing to
    // hold the cursors to: they keep their places for the samples to come.
    if (headerSamples <= 0)
        return;
    const int top = std::max(headerSamples - 1, 1);
    m_cursor2 = static_cast<std::uint16_t>(std::clamp<int>(m_cursor2, 1, top));
    m_cursor1 = static_cast<std::uint16_t>(std::clamp<int>(m_cursor1, 0, m_cursor2 - 1));
}

void CRavikView::PrepareTracePlot(int cx, int cy, int margin, int headerSamples, int w)
{
    m_plotRect = TracePlotRect(cx, cy, margin);
    m_plotLine.clear();
    // The selected trace is the side plot's: without the plot it keeps what it last showed,
    // so the trace information bar goes on measuring it.
    if (m_plotRect.Width() <= 0 || m_plotRect.Height() <= 0)
        return;
    if (m_plotRect.Height() > headerSamples)
        m_plotRect.bottom = m_plotRect.top + headerSamples;
    if (m_imageRows == 0 || w <= 0) {
        m_selTrace.Zero();
        return;
    }
    const int column = std::clamp(m_selColumn, 0, w - 1);
    const std::int16_t* shown = (m_drawn.filtered ? m_filtered.data() : m_raw.data()) + Column(column);
    for (int k = 0; k < headerSamples; ++k)
        m_selTrace[k] = shown[k];
    const int l = m_plotRect.left;
    const int r = m_plotRect.right;
    const int mid = (l + r) / 2;
    const double factor = m_maxAmplitude ? (r - l) * 0.5 / m_maxAmplitude : (r - l) / 65536.0;
    const int n = std::min({headerSamples, m_plotRect.Height(), kSamples - m_firstSample});
    m_plotLine.reserve(n + 1);
    m_plotLine << QPoint(mid, m_plotRect.top);
    for (int k = 0; k < n; ++k)
        m_plotLine << QPoint(static_cast<int>(shown[m_firstSample + k] * factor) + mid, m_plotRect.top + k);
}

void CRavikView::SetUpAxes(const RadargramChannel& channel, int cx, int cy)
{
    const int h = m_imageRows > 0 ? m_imageRows : ImageHeight(cy);
    m_axesShown = cx - 110 > 0 && h > 0;
    m_axes.Setup({kOriginX, kOriginY, kOriginX + cx - 110, kOriginY + h},
                 {m_firstTrace, m_firstSample, m_firstTrace + cx - 110, m_firstSample + h},
                 {channel.traceSpacing, channel.verticalExtent}, channel.timeZero);
    m_axes.SetTimeAxis(channel.timeScale);
    m_axes.SetMargin(m_margin);
    m_axes.SetLabel(true, HorizontalTitle(channel.trigType, channel.units));
    m_axes.SetLabel(false, VerticalTitle(channel.timeScale, UnitName(channel.units)));
}

void CRavikView::PublishStatus(const RadargramChannel& channel, int count)
{
    StatusInput in;
    in.trigType = channel.trigType;
    in.units = channel.units;
    in.unitName = UnitName(channel.units);
    in.timeScale = channel.timeScale;
    in.count = count;
    in.firstTrace = m_firstTrace;
    in.selColumn = m_selColumn;
    in.firstSample = m_firstSample;
    in.selRow = m_selRow;
    in.timeZero = channel.timeZero;
    in.traceSpacing = channel.traceSpacing;
    in.verticalExtent = channel.verticalExtent;
    m_status = FormatStatus(in);
    Q_EMIT statusTextsChanged(QString::fromStdString(m_status.trace), QString::fromStdString(m_status.sample),
                            QString::fromStdString(m_status.pos), QString::fromStdString(m_status.depth));
}

// ---- paint ------------------------------------------------------------------------------

void CRavikView::paintEvent(QPaintEvent*)
{
    const int cx = width();
    const int cy = height();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(m_measuring ? QColor(255, 255, 0) : QColor(255, 255, 255));
    p.drawRect(0, 0, cx - 1, cy - 1);

    const int rows = m_imageRows;
    if (rows > 0 && !m_image.isNull())
        p.drawImage(QPoint(kOriginX, kOriginY), m_image, QRect(0, 0, m_image.width(), rows));

    if (m_plotRect.Width() > 0 && m_plotRect.Height() > 0) {
        const QRect plot(m_plotRect.left, m_plotRect.top, m_plotRect.Width(), m_plotRect.Height());
        p.setPen(QPen(Qt::black, 0));
        p.setBrush(Qt::white);
        p.drawRect(plot);
        p.save();
        p.setClipRect(plot);
        p.drawPolyline(m_plotLine);
        const int y1 = m_cursor1 - m_firstSample + m_plotRect.top;
        const int y2 = m_cursor2 - m_firstSample + m_plotRect.top;
        if (y1 > m_plotRect.top) {
            p.setPen(QPen(QColor(255, 0, 0), 0));
            p.drawLine(m_plotRect.left, y1, m_plotRect.right, y1);
        }
        if (y2 > m_plotRect.top) {
            p.setPen(QPen(QColor(0, 255, 0), 0));
            p.drawLine(m_plotRect.left, y2, m_plotRect.right, y2);
        }
        p.restore();
    }

    const int h = std::max(rows, 0);
    p.setPen(QPen(QColor(255, 0, 0), 0));
    if (m_newestColumn >= 0)
        p.drawLine(kOriginX + m_newestColumn, kOriginY, kOriginX + m_newestColumn, kOriginY + h);
    if (m_traceWindow && !m_measuring)
        p.drawLine(kOriginX + m_selColumn, kOriginY, kOriginX + m_selColumn, kOriginY + h);

    p.setPen(QPen(Qt::black, 0));
    p.setBrush(Qt::NoBrush);
    if (m_axesShown)
        m_axes.Draw(p);

    p.setClipRect(0, 0, cx - kBarThickness, cy - kBarThickness);
    p.setPen(QPen(Qt::black, 0));
    for (const CMarker& m : m_markers) {
        const int brush = MarkerBrush(m.m_nType);
        if (brush < 0)
            continue;
        const std::int64_t x = static_cast<std::int64_t>(m.m_nTrace) - m_firstTrace;
        if (x - 6 < 0 || x + 6 > cx - 110)
            continue;
        const int xi = static_cast<int>(x);
        p.setBrush(m_markerBrushes[static_cast<std::size_t>(brush)]);
        const QPoint tri[3] = {{kOriginX + xi - 6, 60}, {kOriginX + xi + 6, 60}, {kOriginX + xi, 45}};
        p.drawPolygon(tri, 3);
    }
    p.setClipping(false);

    p.setPen(QPen(Qt::black, 0));
    p.setBrush(palette().color(QPalette::Window));
    p.drawRect(cx - kBarThickness, cy - kBarThickness, kBarThickness - 1, kBarThickness - 1);
}

void CRavikView::resizeEvent(QResizeEvent*)
{
    refresh();
}

// ---- scrolling, keys and mouse -----------------------------------------------------------

namespace {

bool ToScrollAction(int action, ScrollAction& out)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: out = ScrollAction::LineUp; return true;
    case QAbstractSlider::SliderSingleStepAdd: out = ScrollAction::LineDown; return true;
    case QAbstractSlider::SliderPageStepSub:
    case QAbstractSlider::SliderToMinimum: out = ScrollAction::PageUp; return true;
    case QAbstractSlider::SliderPageStepAdd:
    case QAbstractSlider::SliderToMaximum: out = ScrollAction::PageDown; return true;
    case QAbstractSlider::SliderMove: out = ScrollAction::Track; return true;
    default: return false;
    }
}

} // namespace

void CRavikView::OnHorizontalAction(int action)
{
    ScrollAction a;
    if (m_measuring || !ToScrollAction(action, a)) {
        m_hBar->setSliderPosition(m_hBar->value());
        return;
    }
    ScrollHorizontally(a, m_hBar->sliderPosition());
    m_hBar->setSliderPosition(m_firstTrace);
}

void CRavikView::OnVerticalAction(int action)
{
    ScrollAction a;
    if (!ToScrollAction(action, a)) {
        m_vBar->setSliderPosition(m_vBar->value());
        return;
    }
    ScrollVertically(a, m_vBar->sliderPosition());
    m_vBar->setSliderPosition(m_firstSample);
}

void CRavikView::ScrollHorizontally(ScrollAction action, int trackTo)
{
    const int w = ImageWidth(width(), m_margin);
    const int count = m_src.TraceCount();
    const int step = ScrollStep(action, w, trackTo, m_firstTrace);
    m_firstTrace = ScrollTo(m_firstTrace, step, count, w);
    m_selColumn = std::clamp(m_selColumn - step, 0, std::max(w - 1, 0));
    refresh();
}

void CRavikView::ScrollVertically(ScrollAction action, int trackTo)
{
    const int h = ImageHeight(height());
    const int samples = std::clamp(m_src.Channel().samples, 0, kSamples);
    const int step = ScrollStep(action, h, trackTo, m_firstSample);
    m_firstSample = ScrollTo(m_firstSample, step, samples, h);
    refresh();
}

void CRavikView::keyPressEvent(QKeyEvent* event)
{
    if (m_measuring) {
        QWidget::keyPressEvent(event);
        return;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_Left: ScrollHorizontally(shift ? ScrollAction::LineUp : ScrollAction::PageUp, 0); break;
    case Qt::Key_Right: ScrollHorizontally(shift ? ScrollAction::LineDown : ScrollAction::PageDown, 0); break;
    case Qt::Key_Up: ScrollVertically(shift ? ScrollAction::LineUp : ScrollAction::PageUp, 0); break;
    case Qt::Key_Down: ScrollVertically(shift ? ScrollAction::LineDown : ScrollAction::PageDown, 0); break;
    default: QWidget::keyPressEvent(event); return;
    }
}

void CRavikView::SetCursorFromPlot(int y, bool second)
{
    const int top = TracePlotRect(width(), height(), m_margin).top;
    const int s = std::clamp(m_firstSample - top + y, 0, std::max(m_src.Channel().headerSamples - 1, 0));
    if (second)
        m_cursor2 = static_cast<std::uint16_t>(std::max<int>(s, m_cursor1 + 1));
    else
        m_cursor1 = static_cast<std::uint16_t>(std::min<int>(s, m_cursor2 - 1));
}

void CRavikView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        return;
    }
    if (event->button() != Qt::RightButton)
        return;
    QMenu menu(this);
    QAction* edit = menu.addAction("Edit Filter List");
    edit->setEnabled(!m_src.IsMeasuring());
    QAction* palette = menu.addAction("Change Palette");
    QAction* chosen = menu.exec(event->globalPosition().toPoint());
    if (chosen == edit)
        m_src.EditFilterList();
    else if (chosen == palette)
        m_src.ChangePalette();
}

void CRavikView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    const int count = m_src.TraceCount();
    if (m_src.IsMeasuring() || count == 0)
        return;
    const int x = static_cast<int>(event->position().x());
    const int y = static_cast<int>(event->position().y());
    if (ImageRect(width(), height(), m_margin).Contains(x, y)) {
        m_selRow = y - kOriginY;
        m_selColumn = std::min(x - kOriginX, count - m_firstTrace - 1);
    } else if (TracePlotRect(width(), height(), m_margin).Contains(x, y) && m_src.Channel().headerSamples > 0) {
        SetCursorFromPlot(y, event->modifiers() & Qt::ControlModifier);
    }
    refresh();
}

void CRavikView::mouseMoveEvent(QMouseEvent* event)
{
    // The cursors follow a drag while measuring too: they only choose what the bar measures.
    if (!(event->buttons() & Qt::LeftButton) || m_src.Channel().headerSamples <= 0)
        return;
    const int x = static_cast<int>(event->position().x());
    const int y = static_cast<int>(event->position().y());
    // The whole strip counts, also below a trace shorter than the plot.
    if (!TracePlotRect(width(), height(), m_margin).Contains(x, y))
        return;
    SetCursorFromPlot(y, event->modifiers() & Qt::ControlModifier);
    refresh();
}

// ---- printing ---------------------------------------------------------------------------

void CRavikView::OnFilePrint(QPrinter& printer)
{
    QPrintDialog dialog(&printer, this);
    const QRect page(QPoint(0, 0), printer.pageRect(QPrinter::DevicePixel).size().toSize());
    dialog.setMinMax(1, std::max(RadargramPrintLayout(page, m_src).pages, 1));
    if (dialog.exec() != QDialog::Accepted)
        return;
    PrintRadargram(printer, m_src);
}

void CRavikView::OnFilePrintPreview(QPrinter& printer)
{
    QPrintPreviewDialog dialog(&printer, this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { PrintRadargram(*p, m_src); });
    // At its own size the preview's toolbar does not fit and hides Print behind its
    // extension button; the whole screen holds every button from 1024 pixels on. Where no
    // window manager maximises it, it still takes the whole screen.
    if (QScreen* shownOn = screen())
        dialog.setGeometry(shownOn->availableGeometry());
    dialog.setWindowState(dialog.windowState() | Qt::WindowMaximized);
    dialog.exec();
}
