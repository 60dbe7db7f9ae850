// The child window of one document inside the main window. It owns the document and the
// view that draws it; closing the window closes the document.
//
// This build shows an empty view; the radargram view and the child frame's title and
// closing rules come with the display and the document.
#pragma once

#include "shell/AppDocument.h"

#include <QMdiSubWindow>

#include <memory>

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(std::unique_ptr<AppDocument> doc, QWidget* parent = nullptr);
    ~CChildFrame() override;

    // Null once the document is closed.
    AppDocument* Document() const { return m_doc.get(); }
    // Closes the document's files and lets go of it; the window is then empty.
    void CloseDocument();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<AppDocument> m_doc;
};
