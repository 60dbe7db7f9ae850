// The radar document: one data set being measured or viewed in a child window. The data set
// itself belongs to the application; the document holds the filter list its views apply,
// the trace-window and filters-enabled flags, the channel parameters a stored data set
// replaced, and the measurement it starts (start, stop, keyboard step). It gives its views
// the scales of the radargram and the traces of the current channel.
#pragma once

#include "display/FloatPoint.h"
#include "display/RadargramSource.h"
#include "filters/MeasureInfoCache.h"
#include "model/MeasParam.h"
#include "model/MeasParamSet.h"
#include "shell/AppDocument.h"
#include "shell/CommandRouter.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <string>
#include <vector>

class CFilterList;
class CMeasurement;
class CRadarData;
class CRavikApp;
class CRavikView;

// Messages of the document.
enum RavikDocMessage : int {
    kMsgTooManySamples = 57645,  // "The selected data file contains traces with to many samples ..."
};

class CRavikDoc : public QObject, public AppDocument, public RadargramSource {
    Q_OBJECT
public:
    static constexpr int kTraceWindowMargin = 150;
    static constexpr int kFilterManagerTraces = 1000;

    explicit CRavikDoc(CRavikApp& app);
    ~CRavikDoc() override;

    // AppDocument
    bool OnNewDocument() override;
    bool OnOpenDocument(const std::string& path) override;
    void OnCloseDocument() override;
    void OnMeasureStart() override;
    void OnMeasureStop() override;
    void StopMeasurement() override;
    void RefreshViews() override;
    QWidget* CreateView(QWidget* parent) override;
    std::string GetTitle() const override;

    // The document's own commands, each with the rule that enables or checks it.
    void OnTrigg();
    bool OnUpdateTrigg() const;
    void OnTraceWindow();
    bool IsTraceWindowOn() const { return m_bTraceWindow != 0; }
    void OnFilterManager() { EditFilterList(); }
    bool OnUpdateNotMeasuring() const;
    void OnDisableAllFilters();
    bool AreFiltersEnabled() const { return m_bFiltersEnabled != 0; }
    // The document's commands (and the status panes its view fills) as the main window's
    // router takes them. Close is listed for when it may run; it stays the frame's command.
    std::vector<std::pair<int, CommandRouter::Handler>> CommandHandlers();
    // Registers them with the main window's router for while this document is the active
    // one; UnregisterCommands takes them back.
    void RegisterCommands();
    void UnregisterCommands();
    // Runs command `id` of the document when it is one and enabled; false otherwise.
    bool OnCommand(int id);
    bool IsCommandEnabled(int id);
    bool IsCommandChecked(int id);

    // The filter manager on the current channel's first traces (at most 1000 of at most
    // 2048 samples); the views are redrawn after it.
    void EditFilterList() override;

    // Scales of the radargram: display units per trace and per sample.
    float GetTraceSpacing() const;
    float GetVerticalExtent() const;
    void GetScales(CFloatPoint& scales) const;

    CFilterList* FilterList() const { return m_pFilterList.get(); }
    const std::string& FilterListPath() const { return m_strFilterListPath; }
    CRavikApp& App() const { return m_app; }
    // The first of the document's views that still exists, or null.
    CRavikView* FirstView() const;
    // Whether this document's measurement runs (its thread, or keyboard mode).
    bool IsMeasuringHere() const;

    // RadargramSource: the current channel of the application's data set.
    RadargramChannel Channel() override;
    int TraceCount() override;
    int CopyTraces(int first, int n, std::int16_t* rows, int stride, int samples) override;
    std::uint64_t TraceSetKey() override;
    bool IsMeasuring() const override;
    std::int64_t NewestDistance() override;
    int Margin() const override;
    bool TraceWindow() const override { return IsTraceWindowOn(); }
    bool FiltersOn() override;
    bool ApplyFilters(const std::int16_t* in, std::int16_t* out, int stride, int traces) override;
    std::vector<CMarker> Markers() override;
    std::uint32_t MarkerColour(int n) const override;
    const CRadarPalette& Palette() const override;
    std::int32_t Gain() const override;
    void ChangePalette() override;

Q_SIGNALS:
    // The views are to redraw from the data set.
    void viewsChanged();

private:
    // What opening a stored data set changes in the settings, to be put back when the
    // document is refused or closed.
    struct SavedSettings {
        CMeasParam channel;
        std::uint8_t trigType = 0;
        double sampleIntervals[CMeasParamSet::kSlots][CMeasParamSet::kRamps] = {};
    };

    CRadarData* Radar() const;
    int CurrentIndex() const;
    void CreateFilterList();
    void ReleaseFilterList();
    void SaveSettingsOfChannel();
    void RestoreSettingsOfChannel();
    void RefuseOpen(int result);
    CMeasurement* Measurement();
    CMeasurement* RunningMeasurement();

    int m_bTraceWindow = 0;
    std::unique_ptr<CFilterList> m_pFilterList;
    CRavikApp& m_app;
    std::uint8_t m_bFiltersEnabled = 1;
    std::unique_ptr<CMeasurement> m_measurement;
    std::string m_strFilterListPath;
    SavedSettings m_saved;
    int m_savedIndex = -1;  // the channel whose parameters m_saved holds
    std::vector<QPointer<QWidget>> m_views;
    std::uint64_t m_traceSet = 0;
    bool m_registered = false;  // its commands are in the main window's router  // counts the data sets shown and measured
    // The filter description of the current channel's header, read again only when it changed.
    MeasureInfoCache m_infoCache;
    MeasureInfo m_info{};
};
