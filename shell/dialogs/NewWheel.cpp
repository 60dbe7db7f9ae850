#include "shell/dialogs/NewWheel.h"

#include "model/MeasParamSet.h"
#include "model/Prompter.h"
#include "shell/MainFrame.h"
#include "shell/RavikApp.h"
#include "shell/dialogs/DataExchange.h"
#include "shell/dialogs/ReadoutWidget.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>
#include <mutex>

namespace {

constexpr int kMasterWheel = 16;

}  // namespace

CNewWheel::CNewWheel(CRavikApp& app, QWidget* parent) : QDialog(parent), m_app(app)
{
    setWindowTitle("Wheel Calibration");
    m_timer.setInterval(kTimerMs);
    connect(&m_timer, &QTimer::timeout, this, &CNewWheel::OnTimer);

    auto* form = new QGridLayout;
    auto addRow = [&](int row, const char* label, QWidget* w, QWidget* after = nullptr) {
        form->addWidget(new QLabel(label, this), row, 0);
        form->addWidget(w, row, 1);
        if (after)
            form->addWidget(after, row, 2);
    };
    m_name = new QLineEdit(this);
    m_name->setObjectName("c1021");
    m_name->setMaxLength(static_cast<int>(kNameMax));
    m_source = new QComboBox(this);
    m_source->setObjectName("c1141");
    m_source->addItem("Master wheel");
    for (int slot = 0; slot < CMeasParamSet::kSlots; ++slot)
        m_source->addItem(QString("Slot %1 wheel").arg(QString::fromStdString(GetSlotLetter(slot))));
    m_distance = new QLineEdit(this);
    m_distance->setObjectName("c1017");
    m_unitLabel = new QLabel("(meters)", this);
    m_unitLabel->setObjectName("c1165");
    m_ticksReadout = new CReadoutWidget(this);
    m_ticksReadout->setObjectName("c1142");
    m_calibrationReadout = new CReadoutWidget(this);
    m_calibrationReadout->setObjectName("c1143");
    addRow(0, "Name of new calibration", m_name);
    addRow(1, "Wheel source", m_source);
    addRow(2, "Distance travelled", m_distance, m_unitLabel);
    addRow(3, "Wheel value (ticks)", m_ticksReadout);
    addRow(4, "Calibration", m_calibrationReadout);
    auto* group = new QGroupBox(this);
    group->setLayout(form);

    m_start = new QPushButton("&Start calibration", this);
    m_start->setObjectName("c1154");
    m_stop = new QPushButton("St&op calibration", this);
    m_stop->setObjectName("c1158");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("c1");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("c2");
    for (QPushButton* b : {m_start, m_stop, buttons->button(QDialogButtonBox::Ok),
                           buttons->button(QDialogButtonBox::Cancel)})
        b->setAutoDefault(false);
    m_start->setDefault(true);
    auto* counting = new QHBoxLayout;
    counting->addWidget(m_start);
    counting->addWidget(m_stop);
    connect(buttons, &QDialogButtonBox::accepted, this, &CNewWheel::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CNewWheel::reject);
    connect(m_start, &QPushButton::clicked, this, &CNewWheel::OnStartCalibration);
    connect(m_stop, &QPushButton::clicked, this, &CNewWheel::OnStopCalibration);
    connect(m_distance, &QLineEdit::textChanged, this, &CNewWheel::Recalculate);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(counting);
    layout->addWidget(buttons);

    m_strName = "Wheel #" + std::to_string(app.m_params.GetWheelCount() + 1);
    std::string unit;
    app.m_params.GetUnitName(unit);
    m_unitLabel->setText(dx::ShownText(unit));
    loadControls();
    m_start->setEnabled(CanCount(app));
}

CNewWheel::~CNewWheel() = default;

bool CNewWheel::CanCount(const CRavikApp& app)
{
    return app.Unit() && app.m_status.IsConnected() && !app.m_status.IsMeasuring();
}

void CNewWheel::loadControls()
{
    const QSignalBlocker blockName(m_name);
    const QSignalBlocker blockDistance(m_distance);
    m_name->setText(dx::ShownText(m_strName));
    m_distance->setText(dx::FormatDouble(m_dDistance));
    ShowReadouts();
}

bool CNewWheel::readControls()
{
    double distance = 0;
    if (!dx::ReadDouble(m_distance, m_app.GetPrompter(), distance))
        return false;
    m_dDistance = distance;
    m_strName = dx::FieldText(m_name->text(), kNameMax);
    return true;
}

int CNewWheel::SourceFromCombo() const
{
    const int entry = m_source->currentIndex();
    return entry <= 0 ? kMasterWheel : entry - 1;
}

void CNewWheel::LockInputs(bool locked)
{
    for (QWidget* w : {static_cast<QWidget*>(m_source), static_cast<QWidget*>(m_distance),
                       static_cast<QWidget*>(m_name), static_cast<QWidget*>(m_start)})
        w->setEnabled(!locked);
}

void CNewWheel::OnStartCalibration()
{
    if (!CanCount(m_app))
        return;
    LockInputs(true);
    m_nWheelSource = SourceFromCombo();
    {
        std::lock_guard driver(m_app.m_locks.Driver);
        ControlUnit& unit = *m_app.Unit();
        unit.SetTriggerSource(-1, 'W', m_nWheelSource);
        unit.EnableWheel(m_nWheelSource);
        unit.SetWheelCounter(m_nWheelSource, 1, 0);
    }
    m_nTicks = 0;
    Recalculate();
    m_timer.start();
}

void CNewWheel::OnStopCalibration()
{
    LockInputs(false);
    m_start->setEnabled(CanCount(m_app));
    m_nWheelSource = SourceFromCombo();
    // A count starts only on a connected unit that is not measuring; otherwise there is
    // none to stop, and a measurement's wheel input is left alone.
    if (CanCount(m_app)) {
        std::lock_guard driver(m_app.m_locks.Driver);
        m_app.Unit()->DisableWheel(m_nWheelSource);
    }
    m_timer.stop();
}

void CNewWheel::OnTimer()
{
    if (!m_app.Unit())
        return;
    std::optional<std::uint32_t> count;
    {
        std::lock_guard driver(m_app.m_locks.Driver);
        count = m_app.Unit()->ReadWheelCounter(m_nWheelSource);
    }
    // A count the unit did not give leaves the last one shown.
    if (count)
        m_nTicks = static_cast<std::int32_t>(*count);
    Recalculate();
}

void CNewWheel::Recalculate()
{
    // While the operator types, the distance counts once it reads as a number; OK insists.
    double distance = 0;
    if (dx::ParseNumber(m_distance->text(), distance))
        m_dDistance = distance;
    const double factor = m_app.m_params.GetUnitFactor();
    m_dCalibration = m_dDistance == 0.0 ? 0.0 : m_nTicks / m_dDistance / factor;
    ShowReadouts();
}

void CNewWheel::ShowReadouts()
{
    m_ticksReadout->setText(QString::number(m_nTicks));
    m_calibrationReadout->setText(QString::asprintf("%.2f", m_dCalibration));
}

void CNewWheel::accept()
{
    OnStopCalibration();
    if (!readControls())
        return;
    Recalculate();
    m_nDirection = m_dCalibration >= 0 ? 1 : -1;
    m_dCalibration = std::fabs(m_dCalibration);
    QDialog::accept();
}

void CNewWheel::reject()
{
    // A count left running would keep the unit's wheel input enabled.
    if (IsCounting())
        OnStopCalibration();
    QDialog::reject();
}

CWheel CNewWheel::Result() const
{
    CWheel wheel;
    wheel.m_strName = m_strName;
    wheel.m_dCalibration = std::fabs(m_dCalibration);
    wheel.m_nDirection = m_nDirection;
    return wheel;
}

bool RunNewWheelCalibration(CRavikApp& app)
{
    if (app.m_params.GetWheelCount() >= kMaxWheelCalibrations) {
        app.GetPrompter().messageText("No more than 128 wheel calibrations can be stored.");
        return false;
    }
    CNewWheel dlg(app, app.MainWindow());
    if (dlg.exec() != QDialog::Accepted)
        return false;
    app.m_params.AddWheel(dlg.Result());
    return true;
}
