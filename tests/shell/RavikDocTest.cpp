// The radar document over the program's data set: new, open of a stored data set (and its
// refusals), close, the start that cannot reach a unit, the display flags, the filter
// manager's block and the scales.

#include "tests/shell/StoredSet.h"

#include "filters/FilterEditor.h"
#include "filters/FilterEditorModel.h"
#include "filters/FilterLibrary.h"
#include "link/Measurement.h"
#include "model/RadarData.h"
#include "display/RavikView.h"
#include "shell/FrameCommands.h"
#include "shell/MainFrame.h"
#include "shell/RavikDoc.h"

#include <QAction>
#include <QLabel>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

std::int16_t Sample(int t, int j)
{
    return static_cast<std::int16_t>((t * 131 + j * 7) % 65536 - 32768);
}

class RavikDocTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseRealPartsOffline(h);
        h.Start();
        app = h.app.get();
        h.prompter.ids.clear();  // the settings files of a first start are missing
        std::filesystem::create_directories(Folder());
    }

    std::string Folder() const { return h.dir.path() + "/data"; }
    std::string InFolder(const std::string& name) const { return Folder() + "/" + name; }
    CRadarData& Radar() { return *app->DataSet()->Radar(); }

    // A stored data set of one channel: its .rad header and `traces` traces of `samples`.
    void StoreSet(const std::string& stem, int traces, int samples, bool withHeader = true)
    {
        ASSERT_TRUE(StoreOneChannelSet(InFolder(stem), traces, samples, Sample, withHeader));
    }

    // Settings that opening a stored set would change.
    void MarkSettings()
    {
        app->m_params.m_params[0].m_nStacks = 7;
        app->m_params.m_params[0].m_nSamples = 256;
        app->m_params.m_nTrigType = 5;
        app->m_params.SetSampleInterval(0, 2, 0.25);
    }
    void ExpectMarkedSettings(const std::string& when)
    {
        EXPECT_EQ(app->m_params.m_params[0].m_nStacks, 7) << when;
        EXPECT_EQ(app->m_params.m_params[0].m_nSamples, 256) << when;
        EXPECT_EQ(app->m_params.m_nTrigType, 5) << when;
        EXPECT_DOUBLE_EQ(app->m_params.GetSampleInterval(0, 2), 0.25) << when;
    }

    AppHarness h;
    CRavikApp* app = nullptr;
};

} // namespace

TEST_F(RavikDocTest, NewDocumentLoadsTheDefaultFilterListAndCloseSavesIt)
{
    CRavikDoc doc(*app);
    ASSERT_TRUE(doc.OnNewDocument());
    ASSERT_NE(doc.FilterList(), nullptr);
    EXPECT_EQ(doc.FilterListPath(), h.files.Folder() + "/def_filter_list");
    EXPECT_FALSE(std::filesystem::exists(doc.FilterListPath()));

    doc.OnCloseDocument();
    EXPECT_EQ(doc.FilterList(), nullptr);
    EXPECT_TRUE(std::filesystem::exists(doc.FilterListPath())) << "the list is saved when the document closes";
    EXPECT_TRUE(std::filesystem::exists(h.files.Folder() + "/last_used_param"));
}

TEST_F(RavikDocTest, OpenShowsAStoredSetAndCloseRestoresTheSettingsItReplaced)
{
    StoreSet("S", 8, 400);
    MarkSettings();
    CRavikDoc doc(*app);
    ASSERT_TRUE(doc.OnOpenDocument(InFolder("S.rd3")));

    EXPECT_EQ(app->m_status.m_bOldDataFile.load(), 1);
    EXPECT_EQ(Radar().GetChannel(0).GetTraceCount(), 8);
    EXPECT_EQ(app->m_params.m_params[0].m_nStacks, 16) << "the header's values are the channel's while viewed";
    EXPECT_EQ(app->m_params.m_nTrigType, 128);
    EXPECT_EQ(app->m_settings.m_strDataFolder, Folder() + "/");
    EXPECT_EQ(doc.GetTitle(), "S.rd3");
    EXPECT_NE(doc.FilterList(), nullptr);
    EXPECT_TRUE(h.prompter.ids.empty());

    doc.OnMeasureStart();
    EXPECT_EQ(h.prompter.ids, (std::vector<int>{57646})) << "no measurement on a set read from disk";
    EXPECT_FALSE(app->m_status.IsMeasuring());

    doc.OnCloseDocument();
    EXPECT_EQ(app->m_status.m_bOldDataFile.load(), 0);
    EXPECT_FALSE(Radar().GetChannel(0).IsOpen());
    ExpectMarkedSettings("after the close");
}

TEST_F(RavikDocTest, RefusedOpenSaysWhyAndLeavesTheSettingsAsTheyWere)
{
    struct Case {
        const char* what;
        int traces, samples;
        bool header;
        int message;  // 0: a text of its own
    };
    const Case cases[] = {
        {"4096 samples per trace", 3, 4096, true, kMsgTooManySamples},
        {"no .rad beside the .rd3", 3, 400, false, 0},
        {"an empty data file", 0, 400, true, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string stem = "R" + std::to_string(n++);
        StoreSet(stem, c.traces, c.samples, c.header);
        MarkSettings();
        h.prompter.ids.clear();
        h.log.clear();
        CRavikDoc doc(*app);
        EXPECT_FALSE(doc.OnOpenDocument(InFolder(stem + ".rd3"))) << c.what;
        if (c.message)
            EXPECT_EQ(h.prompter.ids, (std::vector<int>{c.message})) << c.what;
        else
            EXPECT_TRUE(h.prompter.ids.empty() && h.log.size() == 1 && h.log[0].rfind("text ", 0) == 0) << c.what;
        ExpectMarkedSettings(c.what);
        EXPECT_EQ(app->m_status.m_bOldDataFile.load(), 0) << c.what;
        EXPECT_FALSE(Radar().GetChannel(0).IsOpen()) << c.what;
        EXPECT_EQ(Radar().GetChannel(0).GetSamples(), 0) << c.what << ": the header is back at its defaults";
    }
}

TEST_F(RavikDocTest, AStartThatFailsClosesTheFilesOfTheNewSet)
{
    for (auto& p : app->m_params.m_params)
        p.m_bActive = 0;
    app->m_params.m_params[0].m_bActive = 1;
    app->m_params.m_nTrigType = 200;
    app->m_settings.m_strDataFolder = Folder() + "/";
    app->m_settings.m_strBaseName = "F";
    CRavikDoc doc(*app);
    ASSERT_TRUE(doc.OnNewDocument());

    doc.OnMeasureStart();  // the link is closed: no unit answers
    EXPECT_FALSE(app->m_status.IsMeasuring());
    EXPECT_FALSE(h.prompter.ids.empty()) << "the failure is reported";
    EXPECT_FALSE(Radar().GetChannel(0).IsOpen()) << "no descriptor of the set that never started stays open";
    EXPECT_TRUE(Radar().GetSetName().empty());
    EXPECT_TRUE(std::filesystem::exists(InFolder("F_0001.rd3")) || std::filesystem::exists(InFolder("F_0001_A1.rd3")))
        << "what was created stays on disk";
    doc.OnMeasureStop();
    EXPECT_FALSE(app->m_status.IsMeasuring());
    doc.OnCloseDocument();
}

TEST_F(RavikDocTest, TraceWindowAndFilterFlagsToggleAndRedraw)
{
    CRavikDoc doc(*app);
    ASSERT_TRUE(doc.OnNewDocument());
    QSignalSpy redraws(&doc, &CRavikDoc::viewsChanged);

    EXPECT_TRUE(doc.OnCommand(cmd::kTraceWindow));
    EXPECT_EQ(app->m_status.m_nRightMargin, 150);
    EXPECT_TRUE(doc.IsCommandChecked(cmd::kTraceWindow));
    EXPECT_TRUE(doc.OnCommand(cmd::kTraceWindow));
    EXPECT_EQ(app->m_status.m_nRightMargin, 0);
    EXPECT_FALSE(doc.IsCommandChecked(cmd::kTraceWindow));

    EXPECT_FALSE(doc.IsCommandChecked(cmd::kDisableFilters));
    EXPECT_TRUE(doc.OnCommand(cmd::kDisableFilters));
    EXPECT_FALSE(doc.AreFiltersEnabled());
    EXPECT_TRUE(doc.IsCommandChecked(cmd::kDisableFilters));
    EXPECT_EQ(redraws.count(), 3);

    EXPECT_FALSE(doc.IsCommandEnabled(cmd::kTrigger)) << "TRIGG only while measuring in keyboard mode";
    app->m_status.m_bMeasuring = 1;
    EXPECT_FALSE(doc.IsCommandEnabled(cmd::kFilterManager));
    app->m_status.m_bMeasuring = 0;
    EXPECT_TRUE(doc.IsCommandEnabled(cmd::kFilterManager));
}

namespace {

class RecordingEditor : public FilterEditor {
public:
    RecordingEditor() { m_previous = SetFilterEditor(this); }
    ~RecordingEditor() override { SetFilterEditor(m_previous); }
    bool run(FilterEditorModel& model) override
    {
        traces = model.traceCount();
        samples = model.samplesPerTrace();
        before = model.before();
        return false;
    }
    int traces = -1, samples = -1;
    std::vector<std::int16_t> before;

private:
    FilterEditor* m_previous = nullptr;
};

} // namespace

TEST_F(RavikDocTest, FilterManagerShowsTheFirstThousandTracesOfTheChannel)
{
    StoreSet("M", 1005, 40);
    CRavikDoc doc(*app);
    ASSERT_TRUE(doc.OnOpenDocument(InFolder("M.rd3")));
    RecordingEditor editor;
    QSignalSpy redraws(&doc, &CRavikDoc::viewsChanged);

    ASSERT_TRUE(doc.OnCommand(cmd::kFilterManager));
    EXPECT_EQ(editor.traces, 1000);
    EXPECT_EQ(editor.samples, 40);
    ASSERT_EQ(editor.before.size(), 1000u * 40u);
    EXPECT_EQ(editor.before[999 * 40 + 39], Sample(999, 39)) << "row i is trace i";
    EXPECT_EQ(editor.before[0], Sample(0, 0));
    EXPECT_EQ(redraws.count(), 1);
    doc.OnCloseDocument();
}

TEST_F(RavikDocTest, ScalesFollowTheTriggerModeUnitAndVerticalScale)
{
    CRavikDoc doc(*app);
    CMeasParamSet& p = app->m_params;
    CRadarData& radar = Radar();
    p.m_nCurSlot = 1;
    p.m_nCurChannel = 1;
    radar.GetChannel(2).m_Header.m_dInterval = 0.05;  // channel 0 of the current slot

    p.m_nTrigType = 0;
    p.m_strUnits = "F";
    EXPECT_FLOAT_EQ(doc.GetTraceSpacing(), static_cast<float>(0.05 / 0.3048f)) << "wheel: header interval in feet";
    p.m_strUnits = "M";
    EXPECT_FLOAT_EQ(doc.GetTraceSpacing(), 0.05f);
    p.m_nTrigType = 128;
    p.m_params[3].m_dTimeInterval = 0.25;
    EXPECT_FLOAT_EQ(doc.GetTraceSpacing(), 0.25f) << "time: TIME INTERVAL";
    p.m_nTrigType = 255;
    EXPECT_FLOAT_EQ(doc.GetTraceSpacing(), 0.25f) << "keyboard: TIME INTERVAL";

    p.m_params[3].m_nFrequencySteps = 2;
    p.m_params[3].m_nRampIndex = 1;
    p.SetSampleInterval(1, 1, 0.0001);
    p.SetSampleInterval(1, 3, 0.001);
    app->m_settings.m_nScale = 0;
    app->m_settings.m_fVelocity = 100.0f;
    EXPECT_FLOAT_EQ(doc.GetVerticalExtent(), 0.01f) << "depth: 100 / 2000 x 0.2";
    app->m_settings.m_nScale = 1;
    EXPECT_FLOAT_EQ(doc.GetVerticalExtent(), 0.2f) << "time: ns per sample";
    p.m_params[3].m_nRampIndex = 9;
    EXPECT_FLOAT_EQ(doc.GetVerticalExtent(), 2.0f) << "a RAMP INDEX past the table reads its last ramp";

    CFloatPoint scales;
    doc.GetScales(scales);
    EXPECT_FLOAT_EQ(scales.x, 0.25f);
    EXPECT_FLOAT_EQ(scales.y, 2.0f);
}

TEST_F(RavikDocTest, AWheelIntervalNotAboveZeroIsDrawnWithTheDefault)
{
    CRavikDoc doc(*app);
    app->m_params.m_nTrigType = 0;
    const struct {
        double interval;
        const char* units;
        float spacing;
    } cases[] = {{0.0, "M", 0.2f}, {-0.1, "M", 0.2f}, {std::nan(""), "M", 0.2f}, {0.0, "F", 0.2f / 0.3048f}};
    for (const auto& c : cases) {
        Radar().GetChannel(0).m_Header.m_dInterval = c.interval;
        app->m_params.m_strUnits = c.units;
        EXPECT_FLOAT_EQ(doc.GetTraceSpacing(), c.spacing) << "header interval " << c.interval << " " << c.units;
    }
}

TEST_F(RavikDocTest, ItsViewDrawsTheStoredTraces)
{
    StoreSet("V", 300, 400);
    CRavikDoc doc(*app);
    ASSERT_TRUE(doc.OnOpenDocument(InFolder("V.rd3")));
    std::unique_ptr<QWidget> widget(doc.CreateView(nullptr));
    auto* view = qobject_cast<CRavikView*>(widget.get());
    ASSERT_NE(view, nullptr);
    view->resize(800, 600);
    doc.RefreshViews();
    const QImage img = view->grab().toImage();
    const std::int32_t gain = app->m_settings.m_nPaletteGain;
    for (int t : {0, 150, 299})
        for (int k : {0, 200})
            EXPECT_EQ(img.pixel(50 + t, 50 + k) | 0xFF000000u, SamplePixel(app->m_palette.m_Colours, Sample(t, k), gain))
                << "trace " << t << ", sample " << k;
    EXPECT_EQ(view->Status().trace, "Trace: 0");
    doc.OnCloseDocument();
}

TEST_F(RavikDocTest, TheMainWindowRoutesItsCommandsWhileItIsActive)
{
    StoreSet("W", 30, 400);
    app->m_docTemplate.SetFactory([this] { return std::make_unique<CRavikDoc>(*app); });
    auto* doc = dynamic_cast<CRavikDoc*>(app->OpenDocumentFile(InFolder("W.rd3")));
    ASSERT_NE(doc, nullptr);
    CMainFrame& frame = *app->MainWindow();

    EXPECT_TRUE(frame.RunCommand(cmd::kTraceWindow));
    EXPECT_TRUE(doc->IsTraceWindowOn());
    EXPECT_TRUE(frame.CommandAction(cmd::kTraceWindow)->isChecked());
    EXPECT_EQ(frame.Pane(0).text(), "Trace: 0") << "the view's status texts reach the panes";
    EXPECT_EQ(frame.Pane(2).text(), "Pos:   0.00 s");
    EXPECT_TRUE(frame.RunCommand(cmd::kDisableFilters));
    EXPECT_TRUE(frame.CommandAction(cmd::kDisableFilters)->isChecked());
    EXPECT_FALSE(frame.Router().IsEnabled(cmd::kTrigger)) << "TRIGG only while measuring in keyboard mode";
    const std::string rd3 = ReadFileBytes(InFolder("W.rd3"));
    const std::string rad = ReadFileBytes(InFolder("W.rad"));
    EXPECT_TRUE(frame.RunCommand(cmd::kSave));
    EXPECT_TRUE(ReadFileBytes(InFolder("W.rd3")) == rd3 && ReadFileBytes(InFolder("W.rad")) == rad)
        << "Save writes nothing";

    frame.CloseDocument(doc);
    EXPECT_FALSE(frame.Router().IsEnabled(cmd::kTraceWindow)) << "no document, no command";
    EXPECT_FALSE(frame.RunCommand(cmd::kFilterManager));
    EXPECT_EQ(frame.Router().Text(cmd::kPane1), "");
}
