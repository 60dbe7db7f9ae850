#include "shell/dialogs/ParamDlg.h"

#include "display/TextFit.h"
#include "link/Acquisition.h"
#include "link/CDriver.h"
#include "model/MeasParamSet.h"
#include "model/Numbers.h"
#include "model/Prompter.h"
#include "model/STrace.h"
#include "model/StringTable.h"
#include "shell/MainFrame.h"
#include "shell/RavikApp.h"
#include "shell/dialogs/DataExchange.h"
#include "shell/dialogs/ParamPreview.h"
#include "shell/dialogs/StringEntryDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace {

constexpr int kMinSamples = 80;
constexpr int kMaxSamples = 2048;
constexpr int kMaxStacks = 256;
constexpr int kMaxDivider = 128;
constexpr int kMaxPosition = 65535;
// The longest trace interval whose trace-number step, in 1/1024 s, the unit's 32-bit trace
// interval holds; in wheel mode far beyond any track.
constexpr double kMaxInterval = 2097151;
constexpr std::int64_t kDividerSamplesLimit = 65536;  // divider x samples the unit can sweep
constexpr const char* kUserMark = "[User]";
// A preset name fits its settings line, whatever was read from a file before.
constexpr std::size_t kNameBytes = 240;

// The signal search: where it starts, how far a pair of samples must stand from the mean
// to count as the arrival, and the sample the arrival is put at.
constexpr int kSearchStart = 65000;
constexpr int kSearchThreshold = 2000;
constexpr int kArrivalSample = 30;

constexpr int kSaveMeasParamsFail = 139;

// The widest values the number fields are made to show whole: an interval below 1000 in any
// unit ("%f"), and a separation of at least 0.01 m, whose "%.6g" is widest in feet.
constexpr double kWidestInterval = 999.999999;
constexpr float kWidestSeparation = 0.0328084f;

// The range list pauses the preview while it is open.
class RangeCombo : public QComboBox {
public:
    RangeCombo(bool& open, QWidget* parent) : QComboBox(parent), m_open(open) {}
    void showPopup() override
    {
        m_open = true;
        QComboBox::showPopup();
    }
    void hidePopup() override
    {
        QComboBox::hidePopup();
        m_open = false;
    }

private:
    bool& m_open;
};

// Shows the wait cursor while it lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

void SetQuietly(QSlider* slider, int value)
{
    const QSignalBlocker block(slider);
    slider->setValue(value);
}

int Log2Floor(int v)
{
    int k = 0;
    while (v > 1) {
        v >>= 1;
        ++k;
    }
    return k;
}

QSlider* MakeSlider(QWidget* parent, const char* name, int low, int high)
{
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(name);
    s->setRange(low, high);
    return s;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, bool readOnly)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(readOnly);
    return e;
}

// A field no narrower than its widest value: the layout would squeeze it to a few digits.
void FitField(QLineEdit* edit, const QString& widest)
{
    edit->setMinimumWidth(EditWidthFor(*edit, widest));
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const char* name = nullptr, QWidget* buddy = nullptr)
{
    auto* l = new QLabel(text, parent);
    if (name)
        l->setObjectName(name);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

QString ChannelText(int channel)
{
    // The external channel's text carries a trailing blank in the window title.
    return channel == 0 ? QString::fromLatin1(MessageText(147)) : QString::fromLatin1(MessageText(148)) + ' ';
}

} // namespace

CParamDlg::CParamDlg(CRavikApp& app, QWidget* parent) : QDialog(parent), m_app(app)
{
    setWindowTitle("Measurement Settings");
    m_acquire = [&app](std::int16_t* out, int capacity) {
        return app.Acquisition() ? app.Acquisition()->AcquireSingleTrace(out, capacity) : 0;
    };
    m_askName = [](QWidget* owner, QString& name) {
        CStringEntryDlg entry(owner);
        entry.SetTitle("Enter new preset name");
        entry.SetPrompt("Preset name:");
        if (entry.exec() != QDialog::Accepted)
            return false;
        name = entry.Text();
        return true;
    };
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CParamDlg::OnTimer);
    BuildControls();
    qApp->installEventFilter(this);
    OnInitDialog();
}

CParamDlg::~CParamDlg()
{
    m_timer.stop();
}

// ---- controls ---------------------------------------------------------------------------

void CParamDlg::BuildControls()
{
    auto* top = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    top->addLayout(left, 1);

    auto* acquisition = new QGroupBox("Acquisition parameters", this);
    auto* ag = new QGridLayout(acquisition);
    m_dividerSlider = MakeSlider(this, "c1010", 1, kMaxDivider);
    m_frequencyEdit = MakeEdit(this, "c1011", true);
    ag->addWidget(MakeLabel(this, "Sampling &Frequency", nullptr, m_dividerSlider), 0, 0);
    ag->addWidget(m_dividerSlider, 0, 1);
    ag->addWidget(m_frequencyEdit, 0, 2);
    ag->addWidget(MakeLabel(this, "MHz"), 0, 3);

    m_samplesSlider = MakeSlider(this, "c1014", kMinSamples, kMaxSamples);
    m_windowEdit = MakeEdit(this, "c1019", true);
    m_samplesEdit = MakeEdit(this, "c1015", false);
    ag->addWidget(MakeLabel(this, "Time &Window", nullptr, m_samplesSlider), 1, 0);
    ag->addWidget(m_samplesSlider, 1, 1);
    ag->addWidget(m_windowEdit, 1, 2);
    ag->addWidget(MakeLabel(this, "ns"), 1, 3);
    ag->addWidget(m_samplesEdit, 2, 2);
    ag->addWidget(MakeLabel(this, "Samples"), 2, 3);

    m_range = new RangeCombo(m_bMouseDown, this);
    m_range->setObjectName("c1149");
    m_range->addItems({"Short", "Medium", "Long"});
    ag->addWidget(MakeLabel(this, "Max time window", nullptr, m_range), 3, 0);
    ag->addWidget(m_range, 3, 1);

    m_stacksSlider = MakeSlider(this, "c1032", 0, Log2Floor(kMaxStacks));
    m_stacksEdit = MakeEdit(this, "c1035", false);
    ag->addWidget(MakeLabel(this, "Number of Sta&cks", nullptr, m_stacksSlider), 4, 0);
    ag->addWidget(m_stacksSlider, 4, 1);
    ag->addWidget(m_stacksEdit, 4, 2);

    m_stackingTimeLabel = MakeLabel(this, "Stacking time", "c1162");
    m_stackingTimeEdit = MakeEdit(this, "c1161", true);
    m_stackingTimeUnit = MakeLabel(this, "s.", "c1163");
    ag->addWidget(m_stackingTimeLabel, 5, 0);
    ag->addWidget(m_stackingTimeEdit, 5, 2);
    ag->addWidget(m_stackingTimeUnit, 5, 3);

    m_autostackCheck = new QCheckBox("Autostack", this);
    m_autostackCheck->setObjectName("c1137");
    m_autostackCheck->setLayoutDirection(Qt::RightToLeft);  // text on the left
    ag->addWidget(m_autostackCheck, 6, 0);
    left->addWidget(acquisition);

    auto* signal = new QGroupBox("Signal parameters", this);
    auto* sg = new QGridLayout(signal);
    m_positionSlider = MakeSlider(this, "c1022", 0, kMaxPosition);
    m_positionEdit = MakeEdit(this, "c1024", true);
    m_searchButton = new QPushButton("Search for signal pos.", this);
    m_searchButton->setObjectName("c1152");
    sg->addWidget(MakeLabel(this, "Signal &Position", nullptr, m_positionSlider), 0, 0);
    sg->addWidget(m_positionSlider, 0, 1);
    sg->addWidget(m_positionEdit, 0, 2);
    sg->addWidget(m_searchButton, 0, 3);

    m_intervalEdit = MakeEdit(this, "c1132", false);
    m_intervalCaption = MakeLabel(this, "TrigSrc", "c1000", m_intervalEdit);
    m_intervalUnit = MakeLabel(this, "m", "c1001");
    sg->addWidget(m_intervalCaption, 1, 0);
    sg->addWidget(m_intervalEdit, 1, 2);
    sg->addWidget(m_intervalUnit, 1, 3);

    m_separationEdit = MakeEdit(this, "c1148", false);
    m_separationUnit = MakeLabel(this, "m", "c1168");
    sg->addWidget(MakeLabel(this, "&Antenna Separation", nullptr, m_separationEdit), 2, 0);
    sg->addWidget(m_separationEdit, 2, 2);
    sg->addWidget(m_separationUnit, 2, 3);

    m_emCheck = new QCheckBox("50/60 Hz sensor active", this);
    m_emCheck->setObjectName("c1134");
    m_beeperCheck = new QCheckBox("Beeper active", this);
    m_beeperCheck->setObjectName("c1135");
    sg->addWidget(m_emCheck, 3, 0, 1, 2);
    sg->addWidget(m_beeperCheck, 4, 0, 1, 2);
    left->addWidget(signal);

    auto* preset = new QGroupBox(this);
    auto* pg = new QGridLayout(preset);
    m_nameEdit = MakeEdit(this, "c1012", true);
    m_saveButton = new QPushButton("&Save as new preset", this);
    m_saveButton->setObjectName("c1042");
    m_moduleLabel = MakeLabel(this, QString(), "c1145");
    pg->addWidget(MakeLabel(this, "Antenna preset:"), 0, 0);
    pg->addWidget(m_nameEdit, 0, 1);
    pg->addWidget(m_saveButton, 0, 2);
    pg->addWidget(m_moduleLabel, 1, 0, 1, 3);
    left->addWidget(preset);

    auto* right = new QVBoxLayout;
    top->addLayout(right);
    m_preview = new CParamPreview(this);
    m_preview->setObjectName("c1085");
    right->addWidget(m_preview, 1);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("c1");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("c2");
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    right->addLayout(buttons);
    // Buttons of the layout on other systems, without a function here.
    for (const char* name : {"c1046", "c1048"}) {
        auto* unused = new QPushButton(this);
        unused->setObjectName(name);
        unused->setVisible(false);
    }

    FitField(m_samplesEdit, dx::FormatInt(kMaxSamples));
    FitField(m_stacksEdit, dx::FormatInt(kMaxStacks));
    FitField(m_positionEdit, dx::FormatInt(kMaxPosition));
    FitField(m_intervalEdit, QString::fromStdString(FormatC("%f", kWidestInterval)));
    FitField(m_separationEdit, dx::FormatFloat(kWidestSeparation));

    connect(ok, &QPushButton::clicked, this, &CParamDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CParamDlg::reject);
    connect(m_searchButton, &QPushButton::clicked, this, &CParamDlg::OnSearchSignalPos);
    connect(m_saveButton, &QPushButton::clicked, this, &CParamDlg::OnSaveAsPreset);
    connect(m_autostackCheck, &QCheckBox::toggled, this, &CParamDlg::OnAutostack);
    connect(m_range, &QComboBox::currentIndexChanged, this, &CParamDlg::OnSelchangeRange);
    const std::pair<QSlider*, Slider> sliders[] = {{m_dividerSlider, kDividerSlider},
                                                   {m_samplesSlider, kSamplesSlider},
                                                   {m_stacksSlider, kStacksSlider},
                                                   {m_positionSlider, kPositionSlider}};
    for (const auto& [slider, kind] : sliders) {
        const Slider which = kind;
        connect(slider, &QSlider::valueChanged, this, [this, which] { OnHScroll(which); });
        // Any scroll action is the operator's own setting, also one that moves nothing.
        connect(slider, &QSlider::actionTriggered, this, &CParamDlg::OnScrollAction);
        connect(slider, &QSlider::sliderReleased, this, &CParamDlg::OnScrollAction);
    }
    connect(m_preview, &CParamPreview::arrivalDragged, this, &CParamDlg::OnArrivalDragged);
    connect(m_preview, &CParamPreview::resized, this, [this] {
        if (m_bInitialised)
            DrawPreview();
    });
}

void CParamDlg::OnInitDialog()
{
    CMeasParamSet& p = m_app.m_params;
    m_nSlot = static_cast<std::int16_t>(std::clamp<int>(p.m_nCurSlot, 0, CMeasParamSet::kSlots - 1));
    m_nChannel = static_cast<std::int16_t>(std::clamp<int>(p.m_nCurChannel, 0, 1));
    const CMeasParam& c = p.m_params[ChannelIndex()];
    const CMeasParam& first = p.m_params[m_nSlot * 2];
    m_strName = dx::ShownText(c.m_strName);
    const QString letter = QString::fromStdString(GetSlotLetter(m_nSlot));
    setWindowTitle(QString("Settings for '%1' antenna preset - slot %2, channel: %3")
                       .arg(m_strName, letter, ChannelText(m_nChannel)));

    QString module;
    {
        std::lock_guard driver(m_app.m_locks.Driver);
        if (ControlUnit* unit = m_app.Unit()) {
            module = QString::fromLatin1(ModuleTypeName(unit->GetModuleType(m_nSlot)).c_str());
            m_bHasSlots = unit->IsModularUnit();
        }
    }
    m_moduleLabel->setText(QString("Slot %1, channel: %2 - %3").arg(letter, ChannelText(m_nChannel), module));

    m_nRange = c.m_nRampIndex;
    {
        const QSignalBlocker block(m_range);
        m_range->setCurrentIndex(m_nRange < m_range->count() ? m_nRange : -1);
    }
    m_dBasePeriod = p.GetSampleInterval(m_nSlot, m_nRange);

    m_nSamples = c.m_nSamples;
    // The unit stacks both channels of a slot as channel 0 says.
    m_nStacks = first.m_nStacks;
    m_nSignalPos = c.m_nSignalPosition;
    // A divider read from a hand-edited file may lie outside what the slider can show.
    m_nDivider = static_cast<std::uint16_t>(std::clamp<int>(first.m_nFrequencySteps, 1, kMaxDivider));
    const float factor = p.GetUnitFactor();
    m_fSeparation = c.m_fAntennaSeparation / factor;
    m_bAutostack = p.m_bAutoStack;
    m_nTimeZero = c.m_nTimeZero;
    UpdateStackingTime();

    std::string unitName;
    p.GetUnitName(unitName);
    if (WheelMode())
        m_dInterval = c.m_dDistanceInterval / factor;
    else if (KeyboardMode())
        m_dInterval = c.m_dTimeInterval / factor;
    else
        m_dInterval = c.m_dTimeInterval;
    m_intervalEdit->setText(QString::fromStdString(FormatC("%f", m_dInterval)));
    m_intervalCaption->setText(KeyboardMode() ? "Keyboard trig interval" : "Trig interval");
    m_intervalUnit->setText(WheelMode() || KeyboardMode() ? QString::fromStdString(unitName) : QString("s"));
    m_separationUnit->setText(QString::fromStdString(unitName));

    UpdateFrequency();
    UpdateTimeWindow();

    SetQuietly(m_dividerSlider, m_nDivider);
    SetQuietly(m_samplesSlider, m_nSamples);
    SetQuietly(m_stacksSlider, Log2Floor(std::max(1, m_nStacks)));
    SetQuietly(m_positionSlider, m_nSignalPos);

    m_emCheck->setVisible(m_bHasSlots);
    m_bEmSensor = first.m_bEmSensor;
    m_bBeeper = p.m_bBeeper;

    LoadControls();
    ApplyAutostack();
    UpdateButtons();
    m_timer.start(kPreviewMs);
    m_bInitialised = true;
    DrawPreview();
}

void CParamDlg::LoadControls()
{
    m_nameEdit->setText(m_strName);
    m_samplesEdit->setText(dx::FormatInt(m_nSamples));
    m_stacksEdit->setText(dx::FormatInt(m_nStacks));
    m_separationEdit->setText(dx::FormatFloat(m_fSeparation));
    {
        const QSignalBlocker a(m_autostackCheck), b(m_beeperCheck), c(m_emCheck);
        m_autostackCheck->setChecked(m_bAutostack != 0);
        m_beeperCheck->setChecked(m_bBeeper != 0);
        m_emCheck->setChecked(m_bEmSensor != 0);
    }
    ShowDerived();
}

void CParamDlg::ShowDerived()
{
    m_positionEdit->setText(dx::FormatInt(m_nSignalPos));
    m_frequencyEdit->setText(dx::FormatFloat(m_fFrequency));
    m_windowEdit->setText(dx::FormatFloat(m_fTimeWindow));
    m_stackingTimeEdit->setText(dx::FormatDouble(m_dStackingTime));
}

void CParamDlg::ReadChecks()
{
    m_bAutostack = m_autostackCheck->isChecked() ? 1 : 0;
    m_bBeeper = m_beeperCheck->isChecked() ? 1 : 0;
    m_bEmSensor = m_emCheck->isChecked() ? 1 : 0;
}

bool CParamDlg::ReadControls()
{
    Prompter& prompter = m_app.GetPrompter();
    int samples = m_nSamples, stacks = m_nStacks;
    float separation = m_fSeparation;
    if (!dx::ReadInt(m_samplesEdit, prompter, samples) || !dx::ReadInt(m_stacksEdit, prompter, stacks) ||
        !dx::ReadFloat(m_separationEdit, prompter, separation))
        return false;
    m_nSamples = samples;
    m_nStacks = stacks;
    m_fSeparation = separation;
    ReadChecks();
    return true;
}

bool CParamDlg::ReadInterval(double& interval)
{
    // A trace interval of 0 or less would have the unit take traces as fast as it can.
    const double typed = ParseDecimal(m_intervalEdit->text().toLatin1().toStdString());
    if (!(typed > 0.0 && typed <= kMaxInterval))
        return dx::Refuse(m_intervalEdit, m_app.GetPrompter(), dx::RangeText(0, kMaxInterval, 7));
    interval = typed;
    return true;
}

void CParamDlg::ReadControlsLeniently()
{
    // Read while the operator may be typing: a text that is no number yet keeps the last value.
    dx::ParseInteger(m_samplesEdit->text(), m_nSamples);
    dx::ParseInteger(m_stacksEdit->text(), m_nStacks);
    ReadChecksAndSeparation();
}

void CParamDlg::ReadChecksAndSeparation()
{
    double separation = 0.0;
    if (dx::ParseNumber(m_separationEdit->text(), separation) && std::fabs(separation) <= FLT_MAX)
        m_fSeparation = static_cast<float>(separation);
    ReadChecks();
}

// ---- derived values and clamps ----------------------------------------------------------

bool CParamDlg::WheelMode() const
{
    return m_app.m_params.m_nTrigType < 128;
}

bool CParamDlg::KeyboardMode() const
{
    return m_app.m_params.m_nTrigType == 255;
}

bool CParamDlg::Measuring() const
{
    return m_app.m_status.IsMeasuring();
}

void CParamDlg::UpdateFrequency()
{
    // Without a base period (no unit, or a range never read) there is no frequency.
    const double period = m_nDivider * m_dBasePeriod;
    m_fFrequency = period != 0.0 ? static_cast<float>(1.0 / period) : 0.0f;
}

void CParamDlg::UpdateTimeWindow()
{
    m_fTimeWindow = static_cast<float>(static_cast<double>(m_nSamples) * m_nDivider * 1000.0 * m_dBasePeriod);
}

void CParamDlg::UpdateStackingTime()
{
    // A typed sample count may be anything: multiplied as doubles, never overflowing.
    m_dStackingTime = static_cast<double>(m_nSamples) * m_nStacks * 1e-5;
}

bool CParamDlg::LimitDivider()
{
    if (m_nSamples <= 0 || static_cast<std::int64_t>(m_nDivider) * m_nSamples <= kDividerSamplesLimit)
        return false;
    m_nDivider = static_cast<std::uint16_t>(std::max<std::int64_t>(1, kDividerSamplesLimit / m_nSamples));
    SetQuietly(m_dividerSlider, m_nDivider);
    return true;
}

void CParamDlg::ClampSignalPosition()
{
    const std::int64_t least = static_cast<std::int64_t>(m_nDivider) * m_nSamples;
    if (m_nSignalPos < least) {
        m_nSignalPos = static_cast<int>(std::min<std::int64_t>(least, kMaxPosition));
        SetQuietly(m_positionSlider, m_nSignalPos);
    }
}

void CParamDlg::ClampSamplesAndStacks()
{
    m_nSamples = std::clamp(m_nSamples, kMinSamples, kMaxSamples);
    m_nStacks = 1 << Log2Floor(std::clamp(m_nStacks, 1, kMaxStacks));
}

void CParamDlg::SyncSliders()
{
    SetQuietly(m_samplesSlider, m_nSamples);
    SetQuietly(m_stacksSlider, Log2Floor(std::max(1, m_nStacks)));
}

void CParamDlg::MarkUserPreset()
{
    if (!m_strName.contains(kUserMark))
        m_strName = QString(kUserMark) + ' ' + m_strName;
}

void CParamDlg::UpdateButtons()
{
    // A search and a new preset need the unit's traces and must not disturb a measurement.
    m_searchButton->setEnabled(m_app.m_status.IsConnected() && !Measuring());
    m_saveButton->setEnabled(!Measuring());
}

// ---- handlers ---------------------------------------------------------------------------

void CParamDlg::OnHScroll(Slider which)
{
    // The sliders work on the stored values, which the last preview tick clamped: numbers
    // typed since then wait for the next tick.
    switch (which) {
    case kDividerSlider:
        m_nDivider = static_cast<std::uint16_t>(m_dividerSlider->value());
        LimitDivider();
        UpdateFrequency();
        UpdateTimeWindow();
        ClampSignalPosition();
        break;
    case kSamplesSlider:
        m_nSamples = m_samplesSlider->value();
        if (m_nSamples % 2 != 0)
            ++m_nSamples;
        if (LimitDivider())
            UpdateFrequency();
        UpdateTimeWindow();
        ClampSignalPosition();
        UpdateStackingTime();
        break;
    case kPositionSlider:
        m_nSignalPos = m_positionSlider->value();
        ClampSignalPosition();
        break;
    case kStacksSlider:
        m_nStacks = 1 << m_stacksSlider->value();
        UpdateStackingTime();
        break;
    }
    OnScrollAction();
}

void CParamDlg::OnScrollAction()
{
    // The flags and the separation are no slider's: they stay as the operator set them.
    ReadChecksAndSeparation();
    MarkUserPreset();
    LoadControls();
}

void CParamDlg::OnSelchangeRange(int index)
{
    if (!m_bInitialised || index < 0)
        return;
    m_nRange = index;
    m_dBasePeriod = m_app.m_params.GetSampleInterval(m_nSlot, m_nRange);
    // Keep the sampling frequency as near as the new range allows.
    const double steps = m_dBasePeriod * m_fFrequency;
    if (steps != 0.0 && std::isfinite(steps)) {
        const double divider = std::floor(1.0 / steps + 0.5);
        m_nDivider = static_cast<std::uint16_t>(std::clamp(divider, 1.0, static_cast<double>(kMaxDivider)));
    }
    UpdateFrequency();
    SetQuietly(m_dividerSlider, m_nDivider);
    m_fTimeWindow = static_cast<float>(static_cast<std::int64_t>(static_cast<double>(m_nDivider) * m_nSamples * 1000.0) * m_dBasePeriod);
    ShowDerived();
}

void CParamDlg::OnAutostack()
{
    m_bAutostack = m_autostackCheck->isChecked() ? 1 : 0;
    ApplyAutostack();
}

void CParamDlg::ApplyAutostack()
{
    const bool manual = m_bAutostack == 0;
    m_stacksSlider->setEnabled(manual);
    for (QWidget* w : std::initializer_list<QWidget*>{m_stacksSlider, m_stacksEdit, m_stackingTimeEdit,
                                                       m_stackingTimeLabel, m_stackingTimeUnit})
        w->setVisible(manual);
}

void CParamDlg::OnArrivalDragged(int y)
{
    const int samples = m_app.m_params.m_params[ChannelIndex()].m_nSamples;
    m_nTimeZero = static_cast<std::int16_t>(PreviewSampleAt(y, m_preview->height(), samples));
    DrawPreview();
}

bool CParamDlg::eventFilter(QObject* watched, QEvent* event)
{
    // A button held anywhere in the dialog pauses the preview.
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (widget && mouse->button() == Qt::LeftButton && (widget == this || isAncestorOf(widget)))
            m_bMouseDown = type == QEvent::MouseButtonPress;
    }
    return QDialog::eventFilter(watched, event);
}

// ---- preview ----------------------------------------------------------------------------

bool CParamDlg::Acquire(std::int16_t* out, int capacity)
{
    if (m_acquire && m_acquire(out, capacity) > 0)
        return true;
    m_app.m_status.m_bError02 = 1;
    return false;
}

void CParamDlg::WritePreviewValues()
{
    CMeasParamSet& p = m_app.m_params;
    CMeasParam& c = p.m_params[ChannelIndex()];
    const float factor = p.GetUnitFactor();
    c.m_nSamples = static_cast<std::uint16_t>(m_nSamples);
    c.m_nStacks = static_cast<std::int16_t>(m_nStacks);
    c.m_nSignalPosition = static_cast<std::uint16_t>(m_nSignalPos);
    c.m_fAntennaSeparation = m_fSeparation * factor;
    c.m_nFrequencySteps = m_nDivider;
    // Only a wheel interval is a distance; in time and keyboard mode the channel keeps its own.
    if (WheelMode())
        c.m_dDistanceInterval = m_dInterval * factor;
    c.m_nRampIndex = static_cast<std::uint16_t>(m_nRange);
    p.m_bAutoStack = static_cast<std::uint8_t>(m_bAutostack);
    p.m_bBeeper = static_cast<std::uint8_t>(m_bBeeper);
}

void CParamDlg::OnTimer()
{
    m_timer.stop();
    UpdateButtons();
    // A measuring unit must not be reconfigured, nor its data ring emptied by a trace request.
    if (m_app.m_status.IsConnected() && !m_bMouseDown && !Measuring()) {
        ReadControlsLeniently();
        ClampSamplesAndStacks();
        ClampSignalPosition();
        WritePreviewValues();
        m_app.m_status.m_bError01 = 0;
        m_app.m_status.m_bError02 = 0;
        Acquire(m_trace.data(), static_cast<int>(m_trace.size()));
        SyncSliders();
        ShowDerived();
        DrawPreview();
    }
    m_timer.start(kPreviewMs);
}

void CParamDlg::DrawPreview()
{
    const bool noTrace = m_app.m_status.m_bError01.load() || m_app.m_status.m_bError02.load();
    const int samples = m_app.m_params.m_params[ChannelIndex()].m_nSamples;
    m_preview->SetPicture(RenderParamPreview(m_preview->size(), m_trace.data(),
                                             std::min<int>(samples, static_cast<int>(m_trace.size())),
                                             m_nTimeZero, noTrace));
}

// ---- signal search ----------------------------------------------------------------------

void CParamDlg::OnSearchSignalPos()
{
    if (!m_app.m_status.IsConnected() || Measuring() || !ReadControls())
        return;
    ClampSamplesAndStacks();
    MarkUserPreset();

    m_bMouseDown = true;
    const WaitCursor wait;
    CMeasParam& c = m_app.m_params.m_params[ChannelIndex()];
    const CMeasParam saved = c;

    // A divider of 0 from a file would never lower the position.
    c.m_nFrequencySteps = static_cast<std::uint16_t>(std::clamp<int>(c.m_nFrequencySteps, 1, kMaxDivider));
    const int steps = c.m_nFrequencySteps;
    const int samples = std::clamp<int>(c.m_nSamples, 1, kMaxSamples);
    const int step = std::max(1, samples * steps);
    int pos = kSearchStart;
    int hit = 0;
    bool failed = false;
    c.m_nStacks = 2;
    CSTrace trace(samples);
    while (pos > 0) {
        c.m_nSignalPosition = static_cast<std::uint16_t>(pos);
        trace.Zero();
        if (!Acquire(trace.Data(), samples)) {
            failed = true;
            break;
        }
        const int mean = trace.GetMean();
        for (int i = 1; i < samples; ++i) {
            const int pair = (trace[i - 1] + trace[i]) / 2;
            if (std::abs(pair - mean) > kSearchThreshold) {
                hit = i + 1;
                break;
            }
        }
        if (hit)
            break;
        if (step > pos) {
            pos = 0;
            break;
        }
        pos -= step;
    }
    c = saved;

    // Without an arrival, or when the unit stopped answering, the position stays as it was;
    // the arrival line goes to where a found signal would stand, whatever the outcome.
    if (!failed && hit) {
        const std::int64_t found = pos - static_cast<std::int64_t>(hit - kArrivalSample) * steps;
        m_nSignalPos = static_cast<int>(std::clamp<std::int64_t>(found, 0, kMaxPosition));
    }
    m_nTimeZero = kArrivalSample;
    m_bMouseDown = false;
    SetQuietly(m_positionSlider, m_nSignalPos);
    LoadControls();
    DrawPreview();
}

// ---- new preset -------------------------------------------------------------------------

void CParamDlg::OnSaveAsPreset()
{
    if (Measuring() || !ReadControls())
        return;
    ClampSamplesAndStacks();
    QString name;
    if (!m_askName(this, name))
        return;
    m_strName = name;

    CMeasParamSet& p = m_app.m_params;
    CMeasParam& c = p.m_params[ChannelIndex()];
    const float factor = p.GetUnitFactor();
    CMeasParam preset;
    preset.m_strName = dx::FieldText(m_strName, kNameBytes);
    preset.m_bActive = 1;
    preset.m_fAntennaSeparation = m_fSeparation * factor;
    preset.m_bEmSensor = static_cast<std::uint8_t>(m_bEmSensor);
    preset.m_nFrequencySteps = m_nDivider;
    preset.m_nRampIndex = static_cast<std::uint16_t>(m_nRange);
    preset.m_nSamples = static_cast<std::uint16_t>(m_nSamples);
    preset.m_nSignalPosition = static_cast<std::uint16_t>(m_nSignalPos);
    preset.m_nStacks = static_cast<std::int16_t>(m_nStacks);
    preset.m_nTimeZero = m_nTimeZero;
    // The interval of the trigger mode in use; the other one is the channel's.
    preset.m_dTimeInterval = c.m_dTimeInterval;
    preset.m_dDistanceInterval = c.m_dDistanceInterval;
    if (WheelMode())
        preset.m_dDistanceInterval = m_dInterval * factor;
    else if (KeyboardMode())
        preset.m_dTimeInterval = m_dInterval * factor;
    else
        preset.m_dTimeInterval = m_dInterval;

    p.AddPreset(preset);
    c = preset;
    CopySlotValues(c, p.m_params[ChannelIndex() ^ 1]);
    LoadControls();
}

// ---- closing ----------------------------------------------------------------------------

void CParamDlg::RoundToWheelTicks(CMeasParam& channel)
{
    const CMeasParamSet& p = m_app.m_params;
    const int wheel = p.m_nTrigType;
    if (wheel >= p.GetWheelCount())
        return;
    const double calibration = p.m_wheels[static_cast<std::size_t>(wheel)]->m_dCalibration;
    // A wheel without a usable calibration cannot count ticks: the typed interval stays.
    if (!(calibration > 0.0) || !std::isfinite(calibration))
        return;
    const double ticks = std::max(1.0, std::trunc(channel.m_dDistanceInterval * calibration + 0.001));
    channel.m_dDistanceInterval = ticks / calibration;
}

void CParamDlg::WriteOkValues(double interval)
{
    CMeasParamSet& p = m_app.m_params;
    CMeasParam& c = p.m_params[ChannelIndex()];
    CMeasParam& other = p.m_params[ChannelIndex() ^ 1];
    const float factor = p.GetUnitFactor();

    c.m_nSamples = static_cast<std::uint16_t>(m_nSamples);
    c.m_nStacks = static_cast<std::int16_t>(m_nStacks);
    c.m_nSignalPosition = static_cast<std::uint16_t>(std::clamp(m_nSignalPos, 0, kMaxPosition));
    c.m_fAntennaSeparation = m_fSeparation * factor;
    c.m_nTimeZero = m_nTimeZero;
    c.m_nFrequencySteps = m_nDivider;
    c.m_nRampIndex = static_cast<std::uint16_t>(m_nRange);
    c.m_bEmSensor = static_cast<std::uint8_t>(m_bEmSensor);
    p.SetSampleInterval(m_nSlot, m_nRange, m_dBasePeriod);
    p.m_bAutoStack = static_cast<std::uint8_t>(m_bAutostack);
    p.m_bBeeper = static_cast<std::uint8_t>(m_bBeeper);
    c.m_strName = dx::FieldText(m_strName, kNameBytes);

    if (WheelMode()) {
        c.m_dDistanceInterval = interval * factor;
        RoundToWheelTicks(c);
    } else if (KeyboardMode()) {
        c.m_dTimeInterval = interval * factor;
    } else {
        c.m_dTimeInterval = interval;
    }
    // The unit measures the slot's other channel with these values too.
    CopySlotValues(c, other);
}

void CParamDlg::accept()
{
    // During a measurement the values are only shown.
    if (Measuring()) {
        reject();
        return;
    }
    double interval = 0.0;
    if (!ReadControls() || !ReadInterval(interval))
        return;
    ClampSamplesAndStacks();
    WriteOkValues(interval);
    if (!m_app.m_params.SaveLastUsed())
        m_app.GetPrompter().message(kSaveMeasParamsFail);
    m_timer.stop();
    QDialog::accept();
}

void CParamDlg::reject()
{
    m_timer.stop();
    QDialog::reject();
}

bool RunChannelParameters(CRavikApp& app, int slot, int channel)
{
    if (slot >= 0 && slot < CMeasParamSet::kSlots && (channel == 0 || channel == 1)) {
        app.m_params.m_nCurSlot = static_cast<std::int16_t>(slot);
        app.m_params.m_nCurChannel = static_cast<std::int16_t>(channel);
    }
    CParamDlg dlg(app, app.MainWindow());
    return dlg.exec() == QDialog::Accepted;
}
