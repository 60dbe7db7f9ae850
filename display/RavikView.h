// The radargram view: the current channel's traces as one pixel column per trace and one
// pixel row per sample, through the palette and its gain, optionally filtered; marker
// triangles along the top, a red line at the newest trace while measuring, and with the
// trace window on a side plot of the selected trace with two sample cursors. It scrolls
// with its own two bars and the arrow keys, feeds the status bar and the trace information
// bar, and prints page by page.
//
// Drawing: refresh() (on resize, scrolling, selection and every document change) copies the
// traces it needs out of the source, which holds the display lock only for the copy, and
// writes their columns into one RGB32 image that is kept between refreshes. Without filters
// a refresh while measuring writes only the columns of new traces; with filters the visible
// block is filtered again. paintEvent only draws what refresh() prepared.
#pragma once

#include "display/AxisScale.h"
#include "display/RadarPalette.h"
#include "display/RadargramLayout.h"
#include "display/RadargramSource.h"
#include "model/STrace.h"

#include <QImage>
#include <QPolygon>
#include <QWidget>

#include <array>
#include <memory>
#include <vector>

class QPrinter;
class QScrollBar;

class CRavikView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHorizontalBarId = 10;
    static constexpr int kVerticalBarId = 11;
    static constexpr int kMarkerBrushes = 10;

    explicit CRavikView(RadargramSource& source, QWidget* parent = nullptr);
    ~CRavikView() override;

    // Re-reads the source and prepares the next paint.
    void refresh();

    // Printing with the print dialog, and the print preview, on `printer` (its settings are
    // kept there for the next print).
    void OnFilePrint(QPrinter& printer);
    void OnFilePrintPreview(QPrinter& printer);

    int FirstTrace() const { return m_firstTrace; }
    int FirstSample() const { return m_firstSample; }
    int SelColumn() const { return m_selColumn; }
    int SelRow() const { return m_selRow; }
    int Cursor1() const { return m_cursor1; }
    int Cursor2() const { return m_cursor2; }
    const CSTrace& SelTrace() const { return m_selTrace; }
    const radargram::StatusTexts& Status() const { return m_status; }
    QScrollBar* HorizontalBar() const { return m_hBar; }
    QScrollBar* VerticalBar() const { return m_vBar; }

public Q_SLOTS:
    // Full scale of the side plot (the low 16 bits count).
    void setMaxAmplitude(int amplitude);

Q_SIGNALS:
    void statusTextsChanged(const QString& trace, const QString& sample, const QString& pos, const QString& depth);
    // The selected trace and the two cursors, for the trace information bar.
    void traceInfoChanged(const CSTrace* trace, quint16 cursor1, quint16 cursor2);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct Drawn {
        bool valid = false;
        int firstTrace = 0, firstSample = 0, w = 0, rows = 0, count = 0;
        bool filtered = false;
        std::uint64_t key = 0;
        int samples = 0;  // samples copied per column
    };

    void OnHorizontalAction(int action);
    void OnVerticalAction(int action);
    void ScrollHorizontally(radargram::ScrollAction action, int trackTo);
    void ScrollVertically(radargram::ScrollAction action, int trackTo);
    void PlaceScrollBars(int cx, int cy);
    void UpdateScrollBars(int count, int samples, int w, int h);
    void PrepareBuffers(int w, int h);
    // Rebuilds the pixel map when the palette or the gain changed; true then.
    bool UpdatePixelTable();
    void FillImage(int count, int samples, int headerSamples, int w, int h);
    void PrepareTracePlot(int cx, int cy, int margin, int headerSamples, int w);
    void SetCursorFromPlot(int y, bool second);
    void ClampCursors(int headerSamples);
    void PublishStatus(const RadargramChannel& channel, int count);
    void SetUpAxes(const RadargramChannel& channel, int cx, int cy);

    RadargramSource& m_src;
    QScrollBar* m_hBar = nullptr;
    QScrollBar* m_vBar = nullptr;

    int m_selColumn = 0;
    int m_selRow = 0;
    int m_firstTrace = 0;
    int m_firstSample = 0;
    std::uint16_t m_cursor1 = 30;
    std::uint16_t m_cursor2 = 50;
    std::uint16_t m_maxAmplitude = 32000;
    CSTrace m_selTrace;

    // Kept between refreshes; reallocated only when the image size changes.
    std::vector<std::int16_t> m_raw;       // w columns of 2048 samples
    std::vector<std::int16_t> m_filtered;  // the filter list's output, same layout
    QImage m_image;                        // w x h, RGB32
    std::unique_ptr<SamplePixelMap> m_pixelMap;  // the palette and gain the image was drawn with
    CRadarPalette::Colours m_tableColours{};
    std::int32_t m_tableGain = -1;
    Drawn m_drawn;

    // What the next paint draws.
    bool m_measuring = false;
    bool m_traceWindow = false;
    int m_margin = 0;
    int m_imageRows = 0;           // rows of the image that hold samples; 0: no image
    int m_newestColumn = -1;       // red line while measuring; -1 none
    radargram::Rect m_plotRect;    // side plot (empty without the trace window)
    QPolygon m_plotLine;
    std::vector<CMarker> m_markers;
    // Marker keys 1..9 in their colours, then black for type 10.
    std::array<QColor, kMarkerBrushes> m_markerBrushes;
    radargram::StatusTexts m_status;
    CAxisScale m_axes;
    bool m_axesShown = false;  // false while the image has no area
    bool m_dragging = false;
};
