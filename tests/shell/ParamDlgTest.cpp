// The channel parameters: the values shown, the unit's limits on them, the preview cycle
// against the fake unit, the signal search, a new preset, and what OK commits.

#include "link/CDriver.h"
#include "shell/dialogs/ParamDlg.h"
#include "shell/dialogs/ParamPreview.h"
#include "tests/shell/MeasDialogFixture.h"
#include "tests/support/TextRoom.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <functional>

namespace {

const QColor kRed(255, 0, 0);

class ChannelParameters : public MeasDialogTest {
protected:
    void SetUp() override
    {
        MeasDialogTest::SetUp();
        params().m_strUnits = "M";
        params().m_nTrigType = 128;
        params().SetSampleInterval(0, 1, 0.01);
        params().SetSampleInterval(0, 2, 0.02);
        h.unit->modules[0] = kModuleOpto;
        ResetChannels();
    }
    // Both channels of slot A as one antenna preset left them.
    void ResetChannels()
    {
        for (CMeasParam* c : {&channel(0, 0), &channel(0, 1)}) {
            c->m_strName = "GPR 500";
            c->m_nSamples = 400;
            c->m_nStacks = 4;
            c->m_nFrequencySteps = 8;
            c->m_nRampIndex = 1;
            c->m_nSignalPosition = 4000;
            c->m_dDistanceInterval = 0.1;
            c->m_dTimeInterval = 0.5;
            c->m_fAntennaSeparation = 0.1f;
            c->m_bEmSensor = 0;
        }
    }
    // The dialog acquiring from the fake unit, its timer left to the test.
    std::unique_ptr<CParamDlg> Open()
    {
        auto dlg = std::make_unique<CParamDlg>(app());
        dlg->PreviewTimer().stop();
        dlg->SetTraceSource([this](std::int16_t* out, int n) { return h.unit->SingleTrace(params(), out, n); });
        dlg->SetNameEntry([this](QWidget*, QString& name) {
            name = presetName;
            return !name.isEmpty();
        });
        return dlg;
    }
    void AddWheel(double calibration)
    {
        CWheel w;
        w.m_dCalibration = calibration;
        params().AddWheel(w);
    }
    QString presetName;
};

} // namespace

TEST_F(ChannelParameters, OpensWithTheChannelsValues)
{
    params().m_nCurChannel = 1;
    auto dlg = Open();
    EXPECT_EQ(dlg->windowTitle(), "Settings for 'GPR 500' antenna preset - slot A, channel: External Tx ");
    EXPECT_EQ(Find<QLabel>(*dlg, "c1145")->text(), "Slot A, channel: External Tx  - Opto module");
    EXPECT_EQ(Find<QComboBox>(*dlg, "c1149")->currentText(), "Medium");
    EXPECT_EQ(Text(*dlg, "c1011"), "12.5");
    EXPECT_EQ(Text(*dlg, "c1019"), "32000");
    EXPECT_EQ(Text(*dlg, "c1161"), "0.016");
    EXPECT_EQ(Text(*dlg, "c1148"), "0.1");
    EXPECT_EQ(Find<QSlider>(*dlg, "c1032")->value(), 2);
    EXPECT_EQ(Find<QSlider>(*dlg, "c1010")->value(), 8);
    EXPECT_TRUE(Find<QPushButton>(*dlg, "c1046")->isHidden());
}

TEST_F(ChannelParameters, SingleChannelUnitHasNoSensorCheck)
{
    EXPECT_FALSE(Find<QCheckBox>(*Open(), "c1134")->isHidden());
    h.unit->modular = false;
    EXPECT_TRUE(Find<QCheckBox>(*Open(), "c1134")->isHidden());
}

TEST_F(ChannelParameters, IntervalIsShownInTheTriggerModesUnit)
{
    struct Case {
        std::uint8_t trigger;
        const char* units;
        QString interval, caption, unit;
    };
    for (const Case& c : {Case{0, "M", "0.100000", "Trig interval", "meters"},
                          Case{0, "F", "0.328084", "Trig interval", "feet"},
                          Case{255, "M", "0.500000", "Keyboard trig interval", "meters"},
                          Case{128, "F", "0.500000", "Trig interval", "s"}}) {
        params().m_nTrigType = c.trigger;
        params().m_strUnits = c.units;
        auto dlg = Open();
        SCOPED_TRACE(c.caption.toStdString() + " " + c.units);
        EXPECT_EQ(Text(*dlg, "c1132"), c.interval);
        EXPECT_EQ(Find<QLabel>(*dlg, "c1000")->text(), c.caption);
        EXPECT_EQ(Find<QLabel>(*dlg, "c1001")->text(), c.unit);
    }
}

TEST_F(ChannelParameters, SlidersKeepWithinWhatTheUnitCanSweep)
{
    auto dlg = Open();
    Find<QSlider>(*dlg, "c1014")->setValue(2048);
    Find<QSlider>(*dlg, "c1010")->setValue(40);
    EXPECT_EQ(dlg->Divider(), 32) << "65536 / 2048";
    EXPECT_EQ(Find<QSlider>(*dlg, "c1010")->value(), 32);
    EXPECT_EQ(Text(*dlg, "c1024"), "65535") << "the signal position follows the sweep, at most 65535";

    Find<QSlider>(*dlg, "c1014")->setValue(401);
    EXPECT_EQ(Text(*dlg, "c1015"), "402");
    Find<QSlider>(*dlg, "c1032")->setValue(5);
    EXPECT_EQ(Text(*dlg, "c1035"), "32");
    EXPECT_EQ(Text(*dlg, "c1012"), "[User] GPR 500") << "marked once";
}

TEST_F(ChannelParameters, SliderActionsWorkOnTheStoredValuesAndMarkThePreset)
{
    const auto move = [](const char* name, int to) {
        return [=](CParamDlg& dlg) { Find<QSlider>(dlg, name)->setSliderPosition(to); };
    };
    struct Case {
        const char* what;
        const char *samples, *stacks;  // typed; nullptr leaves the edit as shown
        bool tick;                     // a preview tick between typing and the action
        std::function<void(CParamDlg&)> act;
        int divider;
        std::string samplesShown, stacksShown, stackingTime;
    };
    const Case cases[] = {
        {"5000 clamped by the tick, divider to 22", "5000", nullptr, true, move("c1010", 22), 22, "2048", "1", "0.004"},
        {"huge samples typed, stacks to 5", "2147483647", nullptr, false, move("c1032", 5), 8, "400", "32", "0.128"},
        {"100 stacks typed, samples to 1000", nullptr, "100", false, move("c1014", 1000), 8, "1000", "1", "0.01"},
        {"Home on the stacks slider at its start", nullptr, nullptr, false,
         [](CParamDlg& dlg) { QTest::keyClick(Find<QSlider>(dlg, "c1032"), Qt::Key_Home); }, 8, "400", "1", "0.004"},
    };
    for (const Case& c : cases) {
        channel(0, 0).m_nSamples = 400;
        channel(0, 0).m_nStacks = 1;  // the stacks slider at its start
        auto dlg = Open();
        if (c.samples)
            SetText(*dlg, "c1015", c.samples);
        if (c.stacks)
            SetText(*dlg, "c1035", c.stacks);
        if (c.tick)
            dlg->OnTimer();
        c.act(*dlg);
        SCOPED_TRACE(c.what);
        EXPECT_EQ(dlg->Divider(), c.divider);
        EXPECT_EQ(Text(*dlg, "c1015").toStdString(), c.samplesShown);
        EXPECT_EQ(Text(*dlg, "c1035").toStdString(), c.stacksShown);
        EXPECT_EQ(Text(*dlg, "c1161").toStdString(), c.stackingTime);
        EXPECT_EQ(Text(*dlg, "c1012").toStdString(), "[User] GPR 500");
    }
}

TEST_F(ChannelParameters, RangeChangeKeepsTheFrequencyWhereItCan)
{
    auto dlg = Open();
    Choose(*dlg, "c1149", 2);  // 0.02 us: divider 4 keeps 12.5 MHz
    EXPECT_EQ(dlg->Divider(), 4);
    EXPECT_EQ(Text(*dlg, "c1011"), "12.5");
    EXPECT_EQ(Text(*dlg, "c1019"), "32000");
    Choose(*dlg, "c1149", 0);  // never read from the unit
    EXPECT_EQ(dlg->Divider(), 4);
    EXPECT_EQ(Text(*dlg, "c1011"), "0");
}

TEST_F(ChannelParameters, AutostackHidesTheStacks)
{
    auto dlg = Open();
    Find<QCheckBox>(*dlg, "c1137")->setChecked(true);
    for (const char* name : {"c1032", "c1035", "c1161", "c1162", "c1163"})
        EXPECT_TRUE(Find<QWidget>(*dlg, name)->isHidden()) << name;
    EXPECT_FALSE(Find<QSlider>(*dlg, "c1032")->isEnabled());
}

TEST_F(ChannelParameters, TickWritesTheClampedValuesAndAcquires)
{
    struct Case {
        const char* samples;
        const char* stacks;
        int wantSamples, wantStacks;
    };
    for (const Case& c : {Case{"5000", "100", 2048, 64}, Case{"10", "0", 80, 1}, Case{"1000", "300", 1000, 256},
                          Case{"abc", "8", 400, 8}}) {
        channel(0, 0).m_nSamples = 400;
        h.unit->traceRequests.clear();
        auto dlg = Open();
        SetText(*dlg, "c1015", c.samples);
        SetText(*dlg, "c1035", c.stacks);
        dlg->OnTimer();
        SCOPED_TRACE(c.samples);
        EXPECT_EQ(channel(0, 0).m_nSamples, c.wantSamples);
        EXPECT_EQ(channel(0, 0).m_nStacks, c.wantStacks);
        ASSERT_EQ(h.unit->traceRequests.size(), 1u);
        EXPECT_EQ(h.unit->traceRequests[0].m_nSamples, c.wantSamples);
        EXPECT_EQ(Find<QSlider>(*dlg, "c1014")->value(), c.wantSamples);
        EXPECT_TRUE(dlg->PreviewTimer().isActive());
    }
    EXPECT_DOUBLE_EQ(channel(0, 0).m_dDistanceInterval, 0.1) << "time mode keeps the distance interval";
    EXPECT_TRUE(h.prompter.texts.empty()) << "a tick never complains about a half-typed number";
}

TEST_F(ChannelParameters, TickLeavesAMeasuringOrAbsentUnitAlone)
{
    for (bool measuring : {true, false}) {
        app().m_status.m_bMeasuring = measuring ? 1 : 0;
        app().m_status.m_bConnected = measuring ? 1 : 0;
        auto dlg = Open();
        SetText(*dlg, "c1015", "1000");
        dlg->OnTimer();
        EXPECT_TRUE(h.unit->traceRequests.empty()) << measuring;
        EXPECT_EQ(channel(0, 0).m_nSamples, 400) << measuring;
        EXPECT_TRUE(dlg->PreviewTimer().isActive());
        EXPECT_FALSE(Find<QPushButton>(*dlg, "c1152")->isEnabled());
    }
}

TEST_F(ChannelParameters, HeldButtonOrOpenRangeListPausesThePreview)
{
    auto dlg = Open();
    dlg->show();
    auto* preview = Find<CParamPreview>(*dlg, "c1085");
    QTest::mousePress(preview, Qt::LeftButton, {}, QPoint(10, 10));
    dlg->OnTimer();
    EXPECT_TRUE(h.unit->traceRequests.empty()) << "button held";
    QTest::mouseRelease(preview, Qt::LeftButton, {}, QPoint(10, 10));
    dlg->OnTimer();
    EXPECT_EQ(h.unit->traceRequests.size(), 1u);

    auto* range = Find<QComboBox>(*dlg, "c1149");
    range->showPopup();
    dlg->OnTimer();
    EXPECT_EQ(h.unit->traceRequests.size(), 1u) << "range list open";
    range->hidePopup();
    dlg->OnTimer();
    EXPECT_EQ(h.unit->traceRequests.size(), 2u);
    dlg->PreviewTimer().stop();
    dlg->close();
}

TEST_F(ChannelParameters, PreviewDrawsTheTraceAndTheArrivalLine)
{
    std::vector<std::int16_t> trace(400, 0);
    trace[100] = 16384;  // three quarters across
    const QImage image = RenderParamPreview(QSize(200, 400), trace.data(), 400, 200, false);
    EXPECT_EQ(image.pixelColor(100, 50), QColor(Qt::black)) << "the zero line down the middle";
    EXPECT_EQ(image.pixelColor(150, 100), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(150, 150), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(180, 200), kRed);
    EXPECT_EQ(image.pixelColor(3, 203), kRed) << "the triangle";

    const QImage none = RenderParamPreview(QSize(200, 400), trace.data(), 400, 200, true);
    EXPECT_EQ(none.pixelColor(180, 200), QColor(Qt::white));
    bool text = false;
    for (int y = 20; y < 40; ++y)
        for (int x = 110; x < 190; ++x)
            text = text || none.pixelColor(x, y) != QColor(Qt::white);
    EXPECT_TRUE(text) << "No Trace";
}

TEST_F(ChannelParameters, ClickInThePreviewMovesTheArrivalLine)
{
    for (auto [samples, zero] : {std::pair{400, 200}, std::pair{1024, 250}}) {
        channel(0, 0).m_nSamples = static_cast<std::uint16_t>(samples);
        auto dlg = Open();
        auto* preview = Find<CParamPreview>(*dlg, "c1085");
        preview->setFixedSize(250, 320);
        dlg->show();
        EXPECT_EQ(preview->Picture().size(), preview->size()) << "drawn again at the size shown";
        QTest::mouseClick(preview, Qt::LeftButton, {}, QPoint(100, 160));
        EXPECT_EQ(dlg->TimeZero(), zero);
        EXPECT_EQ(preview->Picture().pixelColor(200, 160), kRed);
        dlg->PreviewTimer().stop();
        dlg->close();
    }
}

TEST_F(ChannelParameters, SearchPutsTheArrivalAtSample30)
{
    h.unit->reflectionAt = 65000 + 99 * 8;  // the pair at i = 99 deviates: hit index 100
    auto dlg = Open();
    dlg->OnSearchSignalPos();
    EXPECT_EQ(dlg->SignalPosition(), 64440);
    EXPECT_EQ(dlg->TimeZero(), 30);
    EXPECT_EQ(Text(*dlg, "c1024"), "64440");
    ASSERT_EQ(h.unit->traceRequests.size(), 1u);
    EXPECT_EQ(h.unit->traceRequests[0].m_nStacks, 2);
    EXPECT_EQ(channel(0, 0).m_nSignalPosition, 4000) << "the channel is restored";
    EXPECT_EQ(channel(0, 0).m_nStacks, 4);
}

TEST_F(ChannelParameters, SearchWithoutArrivalEndsKeepsThePositionAndMovesTheArrivalLine)
{
    struct Case {
        int steps;
        bool answers;
        std::size_t requests;
        int lastPosition;
    };
    for (const Case& c : {Case{8, true, 21, 1000},    // 65000 down by 3200
                          Case{0, true, 163, 200},    // a divider of 0 steps by 1
                          Case{8, false, 1, 65000}}) { // the unit stopped answering
        channel(0, 0).m_nFrequencySteps = static_cast<std::uint16_t>(c.steps);
        channel(0, 0).m_nTimeZero = 120;
        h.unit->traceAnswers = c.answers;
        h.unit->traceRequests.clear();
        auto dlg = Open();
        dlg->OnSearchSignalPos();
        SCOPED_TRACE(c.steps * 10 + c.answers);
        ASSERT_EQ(h.unit->traceRequests.size(), c.requests);
        EXPECT_EQ(h.unit->traceRequests.back().m_nSignalPosition, c.lastPosition);
        EXPECT_EQ(dlg->SignalPosition(), 4000);
        EXPECT_EQ(dlg->TimeZero(), 30);
        EXPECT_EQ(app().m_status.m_bError02.load(), c.answers ? 0 : 1);
        EXPECT_EQ(channel(0, 0).m_nFrequencySteps, c.steps);
    }
}

TEST_F(ChannelParameters, OkRoundsAWheelIntervalToWholeTicks)
{
    struct Case {
        double calibration;
        const char* typed;
        double want;
    };
    for (const Case& c : {Case{1000, "0.05", 0.05}, Case{1000, "0,0004", 0.001}, Case{0, "0.0004", 0.0004},
                          Case{1000, "0.0504", 0.05}}) {
        params().m_wheels.clear();
        AddWheel(c.calibration);
        params().m_nTrigType = 0;
        auto dlg = Open();
        SetText(*dlg, "c1132", c.typed);
        dlg->accept();
        EXPECT_EQ(dlg->result(), QDialog::Accepted);
        EXPECT_DOUBLE_EQ(channel(0, 0).m_dDistanceInterval, c.want) << c.typed;
    }
}

TEST_F(ChannelParameters, OkWritesTheTimeIntervalInTimeAndKeyboardMode)
{
    struct Case {
        std::uint8_t trigger;
        const char* units;
        const char* typed;
        double want;
    };
    for (const Case& c : {Case{128, "F", "0,25", 0.25}, Case{255, "F", "2", 2 * 0.3048f}}) {
        params().m_nTrigType = c.trigger;
        params().m_strUnits = c.units;
        auto dlg = Open();
        SetText(*dlg, "c1132", c.typed);
        dlg->accept();
        EXPECT_DOUBLE_EQ(channel(0, 0).m_dTimeInterval, c.want) << c.typed;
        EXPECT_DOUBLE_EQ(channel(0, 0).m_dDistanceInterval, 0.1) << c.typed;
    }
}

TEST_F(ChannelParameters, OkCommitsTheSlotsValuesAndWritesLastUsed)
{
    auto dlg = Open();
    Find<QSlider>(*dlg, "c1010")->setValue(16);
    Find<QCheckBox>(*dlg, "c1134")->setChecked(true);
    SetText(*dlg, "c1015", "512");
    Choose(*dlg, "c1149", 2);
    dlg->accept();
    ASSERT_EQ(dlg->result(), QDialog::Accepted);
    for (int ch : {0, 1}) {
        EXPECT_EQ(channel(0, ch).m_nFrequencySteps, 8) << ch;  // 16 at 0.01 us kept 6.25 MHz: 8 at 0.02 us
        EXPECT_EQ(channel(0, ch).m_nRampIndex, 2) << ch;
        EXPECT_EQ(channel(0, ch).m_bEmSensor, 1) << ch;
    }
    EXPECT_EQ(channel(0, 0).m_nSamples, 512);
    EXPECT_EQ(channel(0, 1).m_nSamples, 512) << "the unit measures the slot's channels with one count";
    EXPECT_EQ(channel(0, 0).m_strName, "[User] GPR 500");
    const std::string saved = ReadFileBytes(h.files.Folder() + "/last_used_param");
    EXPECT_NE(saved.find("PRESET NAME:[User] GPR 500\r\nCHANNEL ACTIVE:"), std::string::npos);
    EXPECT_NE(saved.find("SAMPLES:512\r\n"), std::string::npos);
}

// The unit takes a slot's trace interval, samples, stacks, frequency steps, ramp and sensor
// from its channel 0: OK in either channel's dialog writes them into both, whatever the
// trigger mode; the signal position, separation, time zero and name stay the channel's own.
TEST_F(ChannelParameters, OkWritesEverySlotValueIntoBothChannels)
{
    struct Case {
        std::uint8_t trigger;
        int channel;
        const char* typed;
        double time, distance;
    };
    for (const Case& c : {Case{128, 1, "0.25", 0.25, 0.1}, Case{255, 1, "2", 2.0, 0.1}, Case{0, 1, "0.05", 0.5, 0.05},
                          Case{128, 0, "3", 3.0, 0.1}}) {
        SCOPED_TRACE("trigger type " + std::to_string(c.trigger) + ", channel " + std::to_string(c.channel));
        ResetChannels();
        params().m_nTrigType = c.trigger;
        params().m_wheels.clear();
        AddWheel(1000);
        params().m_nCurChannel = static_cast<std::int16_t>(c.channel);
        auto dlg = Open();
        Find<QSlider>(*dlg, "c1010")->setValue(4);  // reloads the edits: typing comes after
        Find<QCheckBox>(*dlg, "c1134")->setChecked(true);
        SetText(*dlg, "c1015", "512");
        SetText(*dlg, "c1035", "32");
        SetText(*dlg, "c1132", c.typed);
        SetText(*dlg, "c1148", "0.7");
        dlg->accept();
        ASSERT_EQ(dlg->result(), QDialog::Accepted);
        for (int ch : {0, 1}) {
            const CMeasParam& k = channel(0, ch);
            EXPECT_EQ(k.m_nSamples, 512) << ch;
            EXPECT_EQ(k.m_nStacks, 32) << ch;
            EXPECT_EQ(k.m_nFrequencySteps, 4) << ch;
            EXPECT_EQ(k.m_nRampIndex, 1) << ch;
            EXPECT_EQ(k.m_bEmSensor, 1) << ch;
            EXPECT_DOUBLE_EQ(k.m_dTimeInterval, c.time) << ch;
            EXPECT_DOUBLE_EQ(k.m_dDistanceInterval, c.distance) << ch;
        }
        const CMeasParam& other = channel(0, c.channel ^ 1);
        EXPECT_FLOAT_EQ(other.m_fAntennaSeparation, 0.1f) << "the other channel's own";
        EXPECT_EQ(other.m_strName, "GPR 500") << "the other channel's own";
        EXPECT_EQ(other.m_nSignalPosition, 4000) << "the other channel's own";
    }
}

// The stacks shown are those the unit takes for the slot: channel 0's.
TEST_F(ChannelParameters, ExternalChannelShowsTheStacksOfChannelZero)
{
    channel(0, 0).m_nStacks = 16;
    channel(0, 1).m_nStacks = 4;
    params().m_nCurChannel = 1;
    auto dlg = Open();
    EXPECT_EQ(Text(*dlg, "c1035"), "16");
    EXPECT_EQ(Find<QSlider>(*dlg, "c1032")->value(), 4);
    EXPECT_EQ(Text(*dlg, "c1161"), "0.064");
}

TEST_F(ChannelParameters, OkRefusesWhatIsNoNumber)
{
    struct Case {
        const char* edit;
        const char* text;
        std::string message;
    };
    for (const Case& c : {Case{"c1015", "4x", "Please enter an integer."},
                          Case{"c1148", "0.1.2", "Please enter a number."}}) {
        h.prompter.texts.clear();
        auto dlg = Open();
        SetText(*dlg, c.edit, c.text);
        dlg->accept();
        EXPECT_NE(dlg->result(), QDialog::Accepted) << c.edit;
        EXPECT_EQ(h.prompter.texts, std::vector<std::string>{c.message});
    }
    EXPECT_FALSE(ReadFileBytes(h.files.Folder() + "/last_used_param").find("4x") != std::string::npos);
}

// A trace interval of 0 or less would have the unit take traces as fast as it can: it is
// refused as an out-of-range number, whatever the trigger mode, and the dialog stays open.
TEST_F(ChannelParameters, OkRefusesATrigIntervalNotAboveZero)
{
    const std::string range = "Please enter a number between 0 and 2097151.";
    struct Case {
        std::uint8_t trigger;
        const char* typed;
        bool refused;
    };
    for (const Case& c : {Case{128, "0", true}, Case{128, "-1", true}, Case{128, "abc", true},
                          Case{128, "0,000", true}, Case{0, "0", true}, Case{0, "-0.05", true},
                          Case{255, "0.0", true}, Case{128, "2097152", true}, Case{128, "0,001", false},
                          Case{0, "0.05", false}, Case{255, "2097151", false}}) {
        SCOPED_TRACE(std::string("trigger type ") + std::to_string(c.trigger) + ", typed " + c.typed);
        ResetChannels();
        params().m_nTrigType = c.trigger;
        h.prompter.texts.clear();
        auto dlg = Open();
        SetText(*dlg, "c1132", c.typed);
        dlg->accept();
        if (c.refused) {
            EXPECT_NE(dlg->result(), QDialog::Accepted);
            EXPECT_EQ(h.prompter.texts, std::vector<std::string>{range});
            EXPECT_EQ(channel(0, 0).m_dTimeInterval, 0.5);
            EXPECT_EQ(channel(0, 0).m_dDistanceInterval, 0.1);
        } else {
            EXPECT_EQ(dlg->result(), QDialog::Accepted);
            EXPECT_TRUE(h.prompter.texts.empty());
        }
    }
}

TEST_F(ChannelParameters, OkWhileMeasuringOnlyCloses)
{
    app().m_status.m_bMeasuring = 1;
    auto dlg = Open();
    SetText(*dlg, "c1015", "1000");
    dlg->accept();
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_EQ(channel(0, 0).m_nSamples, 400);
    EXPECT_FALSE(Find<QPushButton>(*dlg, "c1042")->isEnabled());
}

TEST_F(ChannelParameters, NewPresetTakesTheShownValues)
{
    channel(0, 0).m_dDistanceInterval = 0.3;
    auto dlg = Open();
    presetName = "";
    dlg->OnSaveAsPreset();
    const int before = params().GetPresetCount();
    presetName = QString::fromUtf8("Mine \u20ac");
    SetText(*dlg, "c1015", "600");
    dlg->OnSaveAsPreset();
    ASSERT_EQ(params().GetPresetCount(), before + 1) << "nothing added when cancelled";
    const CMeasParam& p = *params().m_presets.back();
    EXPECT_EQ(p.m_strName, "Mine ?");
    EXPECT_EQ(p.m_bActive, 1);
    EXPECT_EQ(p.m_nSamples, 600);
    EXPECT_EQ(p.m_nFrequencySteps, 8);
    EXPECT_DOUBLE_EQ(p.m_dTimeInterval, 0.5);
    EXPECT_DOUBLE_EQ(p.m_dDistanceInterval, 0.3) << "time mode: the channel's distance interval";
    EXPECT_EQ(channel(0, 0).m_strName, "Mine ?");
    EXPECT_EQ(channel(0, 0).m_nSamples, 600);
    EXPECT_EQ(channel(0, 1).m_nSamples, 600) << "the slot's other channel measures with the preset too";
    EXPECT_DOUBLE_EQ(channel(0, 1).m_dDistanceInterval, 0.3);
    EXPECT_EQ(channel(0, 1).m_strName, "GPR 500") << "but keeps its own name";
    EXPECT_EQ(Text(*dlg, "c1012"), QString::fromUtf8("Mine \u20ac"));
}

TEST_F(ChannelParameters, FieldsShowTheirWidestValuesWholeAtTheDefaultSize)
{
    struct Case {
        const char* field;
        std::initializer_list<const char*> texts;
    };
    params().m_strUnits = "I";
    params().m_nTrigType = 0;
    auto dlg = Open();
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    // The widest each takes: the highest signal position, an interval of 0.2 s, of 0.5 m in
    // inches and of three figures, a separation of 0.01 m in feet and of 100 m in inches, the
    // most samples and stacks.
    for (const Case& c : {Case{"c1024", {"65535"}}, Case{"c1132", {"0.200000", "19.685039", "999.999999"}},
                          Case{"c1148", {"0.0328084", "3937.01"}}, Case{"c1015", {"2048"}},
                          Case{"c1035", {"256"}}}) {
        auto* edit = Find<QLineEdit>(*dlg, c.field);
        for (const char* text : c.texts)
            EXPECT_GE(EditTextRoom(*edit), TextWidth(*edit, text)) << c.field << " " << text << " in " << edit->width() << " px";
    }
    dlg->PreviewTimer().stop();
}
