// The child window of one document inside the main window. It owns the document and the
// view that draws it; closing the window closes the document, except while a measurement
// runs, when it cannot be closed. It is shown maximised, never smaller than
// 300 x 150 when restored; where the area places it itself (Cascade) it takes about two
// thirds of the area's height. Its title names the data file and the current channel. While
// a measurement runs it has no close, minimise or maximise box.
#pragma once

#include "shell/AppDocument.h"

#include <QMdiSubWindow>

#include <memory>
#include <string>

class CRavikApp;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    CChildFrame(CRavikApp& app, std::unique_ptr<AppDocument> doc, QWidget* parent = nullptr);
    ~CChildFrame() override;

    // Null once the document is closed.
    AppDocument* Document() const { return m_doc.get(); }
    // Closes the document's files and lets go of it; the window is then empty.
    void CloseDocument();

    // The title by the data set's state: file view mode, a unit with slots or a Z5K.
    static std::string FormatTitle(const std::string& file, bool fileViewMode, bool unitHasSlots, int slot,
                                   int channel, const std::string& preset);
    // Sets the window's title from the current channel.
    void UpdateTitle();
    bool UnitHasSlots() const { return m_unitHasSlots; }
    // Takes the window's boxes away while `measuring`, else gives them back.
    void FollowMeasuring(bool measuring);
    QSize sizeHint() const override;

signals:
    // The document is about to close with the window.
    void documentClosing(AppDocument* doc);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void HideSizeItem();
    std::string FileName(int channelIndex) const;

    CRavikApp& m_app;
    std::unique_ptr<AppDocument> m_doc;
    bool m_unitHasSlots = false;  // taken when the window is made
    bool m_boxesTaken = false;    // while a measurement runs
};
