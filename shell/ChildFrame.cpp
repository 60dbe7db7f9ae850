#include "shell/ChildFrame.h"

#include <QCloseEvent>

CChildFrame::CChildFrame(std::unique_ptr<AppDocument> doc, QWidget* parent)
    : QMdiSubWindow(parent), m_doc(std::move(doc))
{
    setAttribute(Qt::WA_DeleteOnClose);
    auto* view = new QWidget(this);
    view->setObjectName("view");
    setWidget(view);
}

CChildFrame::~CChildFrame()
{
    CloseDocument();
}

void CChildFrame::CloseDocument()
{
    if (!m_doc)
        return;
    // Taken out first: whatever closing the document does, it is no longer this window's.
    std::unique_ptr<AppDocument> doc = std::move(m_doc);
    doc->OnCloseDocument();
}

void CChildFrame::closeEvent(QCloseEvent* event)
{
    CloseDocument();
    QMdiSubWindow::closeEvent(event);
}
