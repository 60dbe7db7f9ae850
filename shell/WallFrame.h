// The area of the main window behind the documents' child windows: a grey ground with the
// program's picture in its middle. The picture stays centred when the area is resized and
// is cut evenly on all sides when the area is smaller than it.
#pragma once

#include <QMdiArea>
#include <QPixmap>

class CWallFrame : public QMdiArea {
    Q_OBJECT
public:
    explicit CWallFrame(QWidget* parent = nullptr);

    // Where the picture's top-left corner goes in an area of `area` (halves rounded toward
    // zero, so negative when the area is the smaller).
    static QPoint PicturePlace(QSize area, QSize picture);
    const QPixmap& Picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPixmap m_picture;
};
