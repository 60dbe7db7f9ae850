// The preview of the channel parameters: the last single trace drawn top to bottom with
// the arrival line (time zero) across it, or "No Trace" when the unit gave none. A click
// or drag in it moves the arrival line; the dialog owns the values.
#pragma once

#include <QFrame>
#include <QImage>

#include <cstdint>

// The preview picture of `size`: white; the first n = min(samples, 500) samples as one
// polyline from the top centre down, sample i at y = trunc(h*i/n), x = trunc((s/32768+1)*w/2);
// a red line at y = trunc(timeZero*h/n) with a red triangle at its left end. With
// `noTrace`, only the text "No Trace" (bold, 18 pixels high, at 110,20).
QImage RenderParamPreview(QSize size, const std::int16_t* trace, int samples, int timeZero, bool noTrace);

// The sample under row `y` of a preview `height` rows high showing min(samples, 500)
// samples; rows outside the preview count as its nearest edge.
int PreviewSampleAt(int y, int height, int samples);

class CParamPreview : public QFrame {
    Q_OBJECT
public:
    explicit CParamPreview(QWidget* parent = nullptr);

    void SetPicture(QImage picture);
    const QImage& Picture() const { return m_picture; }

signals:
    // The left button went down, or moved while down, at row `y`.
    void arrivalDragged(int y);
    // The picture no longer fits: the owner draws it again at the new size.
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage m_picture;
    bool m_dragging = false;
};
