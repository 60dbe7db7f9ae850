#include "shell/ChildFrame.h"

#include "model/ChannelData.h"
#include "model/MeasParam.h"
#include "model/RadarData.h"
#include "shell/Pictures.h"
#include "shell/RavikApp.h"

#include <QCloseEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>

#include <algorithm>
#include <mutex>

CChildFrame::CChildFrame(CRavikApp& app, std::unique_ptr<AppDocument> doc, QWidget* parent)
    : QMdiSubWindow(parent), m_app(app), m_doc(std::move(doc))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(300, 150);
    // Maximised, the window shows its icon at the left of the menu bar, where the toolkit
    // would put its own logo: it is the program's.
    setWindowIcon(pictures::FrameIcon());
    FollowMeasuring(m_app.m_status.IsMeasuring());
    if (m_app.m_status.IsConnected() && m_app.Unit()) {
        std::lock_guard driver(m_app.m_locks.Driver);
        m_unitHasSlots = m_app.Unit()->IsModularUnit();
    }
    QWidget* view = m_doc ? m_doc->CreateView(this) : nullptr;
    if (!view)
        view = new QWidget(this);
    if (view->objectName().isEmpty())
        view->setObjectName("view");
    setWidget(view);
    UpdateTitle();
}

CChildFrame::~CChildFrame()
{
    CloseDocument();
}

void CChildFrame::CloseDocument()
{
    if (!m_doc)
        return;
    emit documentClosing(m_doc.get());
    // Taken out first: whatever closing the document does, it is no longer this window's.
    std::unique_ptr<AppDocument> doc = std::move(m_doc);
    doc->OnCloseDocument();
}

void CChildFrame::FollowMeasuring(bool measuring)
{
    if (measuring == m_boxesTaken)
        return;
    m_boxesTaken = measuring;
    // While the unit sends traces into the data set its window stays as it is shown: no
    // close, minimise, maximise or restore box, in its caption or in the menu bar while
    // maximised, and no Size in its menu. The stop gives them back. (The area would add
    // the close box to a window of fixed size: the title alone is asked for instead.)
    constexpr Qt::WindowFlags boxes =
        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint;
    const Qt::WindowFlags now = windowFlags() & ~Qt::MSWindowsFixedSizeDialogHint;
    setWindowFlags(measuring ? (now & ~boxes) | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                             : (now & ~Qt::CustomizeWindowHint) | boxes);
    if (measuring)
        HideSizeItem();
    // Maximised, the boxes stand in the corner of the main window's menu bar, which the area
    // does not draw anew when they come or go.
    if (const auto* main = qobject_cast<QMainWindow*>(window()))
        if (QWidget* corner = main->menuBar() ? main->menuBar()->cornerWidget(Qt::TopRightCorner) : nullptr)
            corner->update();
}

void CChildFrame::HideSizeItem()
{
    for (QAction* item : systemMenu() ? systemMenu()->actions() : QList<QAction*>())
        if (item->text() == QLatin1String("&Size"))
            item->setVisible(false);
}

bool CChildFrame::event(QEvent* event)
{
    // The window may be gone once an event is handled (a deferred delete): only these two,
    // which never delete it, are looked at afterwards.
    const QEvent::Type type = event->type();
    if (type != QEvent::ParentChange && type != QEvent::WindowStateChange)
        return QMdiSubWindow::event(event);
    const bool handled = QMdiSubWindow::event(event);
    // The area shows the window's menu items anew when it takes the window in and when the
    // window's state changes; sizing stays off while measuring.
    if (m_boxesTaken)
        HideSizeItem();
    return handled;
}

void CChildFrame::closeEvent(QCloseEvent* event)
{
    // The data set's files stay open while the unit still sends traces into them.
    if (m_app.m_status.IsMeasuring()) {
        event->ignore();
        return;
    }
    CloseDocument();
    QMdiSubWindow::closeEvent(event);
}

// The size the area gives a child window that it places itself (Cascade, the first restore):
// each further window of a cascade stands one caption lower, and the area's height holds a
// third of its height in such steps; the window is the area less those steps both ways.
QSize CChildFrame::sizeHint() const
{
    const QMdiArea* area = mdiArea();
    if (!area)
        return QMdiSubWindow::sizeHint();
    const QSize client = area->viewport()->size();
    const int step = std::max(style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) +
                                  style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this),
                              1);
    const int stagger = client.height() / (3 * step) * step;
    return QSize(client.width() - stagger, client.height() - stagger).expandedTo(minimumSize());
}

std::string CChildFrame::FormatTitle(const std::string& file, bool fileViewMode, bool unitHasSlots, int slot,
                                     int channel, const std::string& preset)
{
    if (fileViewMode)
        return file + " - File view mode";
    if (unitHasSlots)
        return file + " - Slot " + GetSlotLetter(slot) + ", Channel: " + (channel == 1 ? "External Tx" : "Internal Tx") +
               ", (" + preset + ")";
    return file + " - Z5K - (" + preset + ")";
}

std::string CChildFrame::FileName(int channelIndex) const
{
    AppDataSet* data = m_app.DataSet();
    CRadarData* radar = data ? data->Radar() : nullptr;
    if (radar && !radar->GetChannel(channelIndex).m_strShortName.empty())
        return radar->GetChannel(channelIndex).m_strShortName;
    return m_doc ? m_doc->GetTitle() : std::string();
}

void CChildFrame::UpdateTitle()
{
    const int slot = m_app.m_params.m_nCurSlot;
    const int channel = m_app.m_params.m_nCurChannel;
    const int index = slot * 2 + channel;
    if (index < 0 || index >= CMeasParamSet::kChannels)
        return;
    const std::string title = FormatTitle(FileName(index), m_app.m_status.m_bOldDataFile.load() != 0, m_unitHasSlots,
                                          slot, channel, m_app.m_params.m_params[index].m_strName);
    setWindowTitle(QString::fromLatin1(title.data(), static_cast<qsizetype>(title.size())));
}
