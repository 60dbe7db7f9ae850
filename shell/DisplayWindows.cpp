#include "shell/DisplayWindows.h"

#include "display/EM_Wnd.h"
#include "display/RavikView.h"
#include "display/TraceInfoBar.h"
#include "model/RadarData.h"
#include "shell/AppDataSet.h"
#include "shell/MainFrame.h"
#include "shell/RavikApp.h"
#include "shell/RavikDoc.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>

#include <algorithm>
#include <mutex>
#include <set>

namespace {

CRavikDoc* ActiveRadarDoc(CRavikApp& app)
{
    return dynamic_cast<CRavikDoc*>(app.ActiveDocument());
}

CRadarData* Radar(CRavikApp& app)
{
    return app.DataSet() ? app.DataSet()->Radar() : nullptr;
}

// The child-window area of the main window that holds `receiver`: the application's main
// window, or, while that is still being built, the top-level window of the receiver.
QMdiArea* ChildArea(CRavikApp& app, QObject* receiver)
{
    QWidget* top = app.MainWindow();
    if (!top)
        if (auto* widget = qobject_cast<QWidget*>(receiver))
            top = widget->window();
    return top ? top->findChild<QMdiArea*>() : nullptr;
}

// Calls `join` for the active view and for the view of every child window activated later
// (once the activation has settled), for as long as `receiver` lives. A window made before
// the main window has its child-window area looks for it again shortly after.
template <class Join>
void FollowViews(CRavikApp& app, QObject* receiver, Join join, int triesLeft = 50)
{
    auto joinActive = [&app, join] {
        if (CRavikView* view = ActiveRadargramView(app))
            join(view);
    };
    QMdiArea* area = ChildArea(app, receiver);
    if (!area) {
        if (triesLeft > 0)
            QTimer::singleShot(100, receiver, [&app, receiver, join, triesLeft] {
                FollowViews(app, receiver, join, triesLeft - 1);
            });
        return;
    }
    joinActive();
    QObject::connect(area, &QMdiArea::subWindowActivated, receiver,
                     [receiver, joinActive] { QTimer::singleShot(0, receiver, joinActive); });
}

class AppEmSource : public EmSource {
public:
    explicit AppEmSource(CRavikApp& app) : m_app(app) {}

    bool VisibleTraces(int& first, int& count) override
    {
        CRavikDoc* doc = ActiveRadarDoc(m_app);
        CRavikView* view = doc ? doc->FirstView() : nullptr;
        if (!view)
            return false;
        first = view->FirstTrace();
        count = doc->TraceCount();
        return true;
    }

    const CEM_Data* SensorData() override
    {
        CRadarData* radar = Radar(m_app);
        if (!radar)
            return nullptr;
        return &radar->GetEmData(std::clamp<int>(m_app.m_params.m_nCurSlot, 0, CMeasParamSet::kSlots - 1));
    }

private:
    CRavikApp& m_app;
};

// The views the trace information bar has followed. Once the last of them is gone no data set
// is open, and the bar lets go of what it measured there.
class FollowedViews : public QObject {
public:
    explicit FollowedViews(CTraceInfoBar* bar) : QObject(bar), m_bar(bar) {}

    void Add(CRavikView* view)
    {
        if (m_views.insert(view).second)
            connect(view, &QObject::destroyed, this, &FollowedViews::Gone);
    }

private:
    void Gone(QObject* view)
    {
        m_views.erase(view);
        if (m_views.empty())
            m_bar->Clear();
    }

    CTraceInfoBar* m_bar;
    std::set<const QObject*> m_views;
};

TraceInfoContext CurrentTraceInfoContext(CRavikApp& app)
{
    TraceInfoContext context;
    context.velocity = app.m_settings.m_fVelocity;
    context.unitFactor = app.m_params.GetUnitFactor();
    if (CRadarData* radar = Radar(app)) {
        const int slot = std::clamp<int>(app.m_params.m_nCurSlot, 0, CMeasParamSet::kSlots - 1);
        const int channel = std::clamp<int>(app.m_params.m_nCurChannel, 0, 1);
        std::lock_guard display(app.m_locks.Display);
        context.frequency = radar->GetChannel(slot * 2 + channel).m_Header.m_fFrequency;
    }
    return context;
}

} // namespace

CRavikView* ActiveRadargramView(CRavikApp& app)
{
    CRavikDoc* doc = ActiveRadarDoc(app);
    return doc ? doc->FirstView() : nullptr;
}

QWidget* MakeSensorWindow(CRavikApp& app, QWidget* owner)
{
    auto* window = new CEM_Wnd(std::make_unique<AppEmSource>(app), app.GetProfile(), owner);
    FollowViews(app, window, [window](CRavikView* view) {
        QObject::connect(view, &CRavikView::traceInfoChanged, window, qOverload<>(&QWidget::update),
                         Qt::UniqueConnection);
        // The traces of the view it now follows, not of the one before.
        window->update();
    });
    return window;
}

QWidget* MakeTraceInfoBar(CRavikApp& app, QWidget* parent)
{
    auto* bar = new CTraceInfoBar([&app] { return CurrentTraceInfoContext(app); }, parent);
    auto* followed = new FollowedViews(bar);
    FollowViews(app, bar, [bar, followed](CRavikView* view) {
        QObject::connect(view, &CRavikView::traceInfoChanged, bar, &CTraceInfoBar::OnSetTraceInfo,
                         Qt::UniqueConnection);
        followed->Add(view);
        // The view may have drawn before it was followed (a data set just opened) and need
        // not draw again soon: the bar takes what it shows now.
        bar->OnSetTraceInfo(&view->SelTrace(), view->Cursor1(), view->Cursor2());
    });
    QObject::connect(bar, &CTraceInfoBar::maxAmplitudeChanged, bar, [&app](int amplitude) {
        if (CRavikView* view = ActiveRadargramView(app))
            view->setMaxAmplitude(amplitude);
    });
    return bar;
}
